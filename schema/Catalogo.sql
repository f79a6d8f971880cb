-- Reference tables of the reporting system: exam types, exam stage types and the types of
-- print description (each with the report file that prints it).
CREATE TABLE [dbo].[Exame_Tipo] (
    [Código_Tipo] [nvarchar] (10) NOT NULL ,
    [Descrição] [nvarchar] (50) NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Exame_Tipo] WITH NOCHECK ADD
    CONSTRAINT [PK_Exame_Tipo] PRIMARY KEY CLUSTERED
    (
        [Código_Tipo]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Etapa_Tipo] (
    [ID_Etapa_Tipo] [int] IDENTITY (1, 1) NOT NULL ,
    [Etapa_Tipo] [nvarchar] (50) NULL ,
    [Descrição] [nvarchar] (255) NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Etapa_Tipo] WITH NOCHECK ADD
    CONSTRAINT [PK_Etapa_Tipo] PRIMARY KEY CLUSTERED
    (
        [ID_Etapa_Tipo]
    ) ON [PRIMARY]
GO

CREATE TABLE [dbo].[Descritivo_Impressão_Tipo] (
    [ID_Descritivo_Impressão_Tipo] [int] IDENTITY (1, 1) NOT NULL ,
    [Descritivo_Impressão_Tipo] [nvarchar] (50) NULL ,
    [rpt] [nvarchar] (255) NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Descritivo_Impressão_Tipo] WITH NOCHECK ADD
    CONSTRAINT [PK_Descritivo_Impressão_Tipo] PRIMARY KEY CLUSTERED
    (
        [ID_Descritivo_Impressão_Tipo]
    ) ON [PRIMARY]
GO
