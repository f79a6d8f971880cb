-- One row per exam, with a copy of the patient's data as it was when the exam was made
-- (kept in step when the patient record is updated). Exame_BK is the backup copy of the same
-- rows under the same keys, so it takes the key from Exame instead of numbering its own.
CREATE TABLE [dbo].[Exame] (
    [ID_Exame] [int] IDENTITY (1, 1) NOT NULL ,
    [Número_Exame] [nvarchar] (20) NOT NULL ,
    [ID_Paciente] [int] NULL ,
    [Tipo_Exame] [nvarchar] (10) NULL ,
    [Data_Exame] [datetime] NULL ,
    [Paciente] [nvarchar] (150) NULL ,
    [RG] [nvarchar] (30) NULL ,
    [CIC] [nvarchar] (30) NULL ,
    [Endereço] [nvarchar] (255) NULL ,
    [CEP] [nvarchar] (10) NULL ,
    [Bairro] [nvarchar] (100) NULL ,
    [Cidade] [nvarchar] (100) NULL ,
    [Estado] [nvarchar] (2) NULL ,
    [Paciente_Email] [nvarchar] (70) NULL ,
    [Telefone] [nvarchar] (30) NULL ,
    [Sexo] [nvarchar] (1) NULL ,
    [Raça] [nvarchar] (15) NULL ,
    [Data_Nascimento] [datetime] NULL ,
    [Profissão] [nvarchar] (50) NULL ,
    [Prontuário] [nvarchar] (20) NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Exame] WITH NOCHECK ADD
    CONSTRAINT [PK_Exame] PRIMARY KEY CLUSTERED
    (
        [ID_Exame]
    ) ON [PRIMARY]
GO

CREATE INDEX [IX_Exame_ID_Paciente] ON [dbo].[Exame]([ID_Paciente]) ON [PRIMARY]
GO
CREATE INDEX [IX_Exame_Número_Exame] ON [dbo].[Exame]([Número_Exame]) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Exame_BK] (
    [ID_Exame] [int] NOT NULL ,
    [Número_Exame] [nvarchar] (20) NOT NULL ,
    [ID_Paciente] [int] NULL ,
    [Tipo_Exame] [nvarchar] (10) NULL ,
    [Data_Exame] [datetime] NULL ,
    [Paciente] [nvarchar] (150) NULL ,
    [RG] [nvarchar] (30) NULL ,
    [CIC] [nvarchar] (30) NULL ,
    [Endereço] [nvarchar] (255) NULL ,
    [CEP] [nvarchar] (10) NULL ,
    [Bairro] [nvarchar] (100) NULL ,
    [Cidade] [nvarchar] (100) NULL ,
    [Estado] [nvarchar] (2) NULL ,
    [Paciente_Email] [nvarchar] (70) NULL ,
    [Telefone] [nvarchar] (30) NULL ,
    [Sexo] [nvarchar] (1) NULL ,
    [Raça] [nvarchar] (15) NULL ,
    [Data_Nascimento] [datetime] NULL ,
    [Profissão] [nvarchar] (50) NULL ,
    [Prontuário] [nvarchar] (20) NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Exame_BK] WITH NOCHECK ADD
    CONSTRAINT [PK_Exame_BK] PRIMARY KEY CLUSTERED
    (
        [ID_Exame]
    ) ON [PRIMARY]
GO

CREATE INDEX [IX_Exame_BK_ID_Paciente] ON [dbo].[Exame_BK]([ID_Paciente]) ON [PRIMARY]
GO
CREATE INDEX [IX_Exame_BK_Número_Exame] ON [dbo].[Exame_BK]([Número_Exame]) ON [PRIMARY]
GO
