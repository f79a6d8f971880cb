-- The reporting system's users, their profiles and the per-user default tables that adding a
-- user fills. Profile type 1 is the administrator (type 2 is the clinic administrator).
CREATE TABLE [dbo].[Usuário] (
    [ID_Usuário] [int] IDENTITY (1, 1) NOT NULL ,
    [Nome] [nvarchar] (100) NULL ,
    [Usuário] [nvarchar] (50) NULL ,
    [Senha] [nvarchar] (8) NULL ,
    [ÉPatologista] [bit] NOT NULL ,
    [ID_Patologista] [int] NULL ,
    [Ativo] [bit] NOT NULL ,
    [Master] [bit] NOT NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Usuário] WITH NOCHECK ADD
    CONSTRAINT [PK_Usuário] PRIMARY KEY CLUSTERED
    (
        [ID_Usuário]
    ) ON [PRIMARY]

ALTER TABLE [dbo].[Usuário] ADD
    CONSTRAINT [DF_Usuário_ÉPatologista] DEFAULT (0) FOR [ÉPatologista]
ALTER TABLE [dbo].[Usuário] ADD
    CONSTRAINT [DF_Usuário_Ativo] DEFAULT (1) FOR [Ativo]
ALTER TABLE [dbo].[Usuário] ADD
    CONSTRAINT [DF_Usuário_Master] DEFAULT (0) FOR [Master]
GO

CREATE INDEX [IX_Usuário_Usuário] ON [dbo].[Usuário]([Usuário]) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Perfil] (
    [Id_Perfil] [int] IDENTITY (1, 1) NOT NULL ,
    [Perfil] [nvarchar] (50) NULL ,
    [ID_Clinica] [int] NULL ,
    [ID_Perfil_Tipo] [int] NOT NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Perfil] WITH NOCHECK ADD
    CONSTRAINT [PK_Perfil] PRIMARY KEY CLUSTERED
    (
        [Id_Perfil]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Usuario_Perfil] (
    [ID_Usuario] [int] NOT NULL ,
    [ID_Perfil] [int] NOT NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Usuario_Perfil] WITH NOCHECK ADD
    CONSTRAINT [PK_Usuario_Perfil] PRIMARY KEY CLUSTERED
    (
        [ID_Usuario],
        [ID_Perfil]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrão_Permissão] (
    [ID_Usuário] [int] NOT NULL ,
    [Usuário_Cadastrar] [bit] NULL ,
    [Patologista] [bit] NULL ,
    [Requisitante] [bit] NULL ,
    [Sistema] [bit] NULL ,
    [Tipo_Exame_Extra] [bit] NULL ,
    [Procedência] [bit] NULL ,
    [Convênio] [bit] NULL ,
    [Categoria] [bit] NULL ,
    [Internet] [bit] NULL ,
    [Atlas_Adicionar] [bit] NULL ,
    [Exame_Remover_Impresso] [bit] NULL ,
    [Laudo_Fotográfico] [bit] NULL ,
    [Captura] [bit] NULL ,
    [Padrão_Impressão_Campos] [bit] NULL ,
    [Assina_Laudo] [bit] NULL ,
    [Arquivar_Laudo] [bit] NULL ,
    [Tipo_Exame] [bit] NULL ,
    [Backup_Imagem] [bit] NULL ,
    [Backup_BD] [bit] NULL ,
    [Exame] [bit] NULL ,
    [Modelo] [bit] NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Padrão_Permissão] WITH NOCHECK ADD
    CONSTRAINT [PK_Padrão_Permissão] PRIMARY KEY CLUSTERED
    (
        [ID_Usuário]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrao_Exame_Tipo] (
    [Tipo_Exame] [nvarchar] (10) NOT NULL ,
    [ID_Usuario] [int] NOT NULL ,
    [Exibir_lista] [bit] NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Padrao_Exame_Tipo] WITH NOCHECK ADD
    CONSTRAINT [PK_Padrao_Exame_Tipo] PRIMARY KEY CLUSTERED
    (
        [Tipo_Exame],
        [ID_Usuario]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrão_Exame_Único] (
    [ID_Usuário] [int] NOT NULL ,
    [Tipo_Exame] [nvarchar] (10) NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrao_varios] (
    [ID_Usuario] [int] NOT NULL ,
    [Clinica_Padrao] [int] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrao_Audio] (
    [ID_Usuario] [int] NOT NULL ,
    [TempoMaximoAudio] [int] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrão_Bethesda] (
    [ID_Usuário] [int] NOT NULL ,
    [AvHormonal0] [nvarchar] (4) NULL ,
    [AvHormonal1] [nvarchar] (4) NULL ,
    [AvHormonal2] [nvarchar] (4) NULL ,
    [ParagrafoEntreTitulos] [nvarchar] (1) NULL ,
    [TituloNegrito] [bit] NULL ,
    [TituloSublinhado] [bit] NULL ,
    [DoisPontosApos] [nvarchar] (1) NULL ,
    [FontName] [nvarchar] (50) NULL ,
    [FontSize] [nvarchar] (3) NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrao_Bethesda2006] (
    [ID_Usuario] [int] NOT NULL ,
    [ParagrafoEntreTitulos] [nvarchar] (1) NULL ,
    [TituloNegrito] [bit] NULL ,
    [TituloSublinhado] [bit] NULL ,
    [TituloItalico] [bit] NULL ,
    [DoisPontosApos] [nvarchar] (1) NULL ,
    [SubTituloNegrito] [bit] NULL ,
    [SubTituloSublinhado] [bit] NULL ,
    [SubTituloItalico] [bit] NULL ,
    [ConclusaoImprimir] [bit] NULL ,
    [ConformidadeImprimir] [bit] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrão_Internet] (
    [ID_Usuário] [int] NOT NULL ,
    [Publicar] [bit] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Padrão_Impressão] (
    [ID_Usuário] [int] NOT NULL ,
    [Margem_Superior] [int] NULL
) ON [PRIMARY]
GO
