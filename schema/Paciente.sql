-- The patient register: one row per patient record. The soundex columns are always filled
-- by the database's SOUNDEX from the name columns in the statement that writes the names.
CREATE TABLE [dbo].[Paciente] (
    [ID_Paciente] [int] IDENTITY (1, 1) NOT NULL ,
    [Nome] [nvarchar] (30) NULL ,
    [Nome_Soundex] [nvarchar] (4) NULL ,
    [Nome_Meio] [nvarchar] (50) NULL ,
    [Nome_Meio_Soundex] [nvarchar] (4) NULL ,
    [Nome_Último] [nvarchar] (20) NULL ,
    [Nome_Último_Soundex] [nvarchar] (4) NULL ,
    [RG] [nvarchar] (30) NULL ,
    [CIC] [nvarchar] (30) NULL ,
    [Endereço] [nvarchar] (255) NULL ,
    [CEP] [nvarchar] (10) NULL ,
    [Bairro] [nvarchar] (100) NULL ,
    [Cidade] [nvarchar] (100) NULL ,
    [Estado] [nvarchar] (2) NULL ,
    [Telefone] [nvarchar] (30) NULL ,
    [Sexo] [nvarchar] (1) NULL ,
    [Raça] [nvarchar] (15) NULL ,
    [Convênio] [nvarchar] (30) NULL ,
    [Data_Nascimento] [datetime] NULL ,
    [Profissão] [nvarchar] (50) NULL ,
    [Número_Convênio] [nvarchar] (20) NULL ,
    [Peso] [nvarchar] (6) NULL ,
    [Altura] [nvarchar] (4) NULL ,
    [Email] [nvarchar] (70) NULL ,
    [Prontuário] [nvarchar] (20) NULL ,
    [ID_Paciente_Externo] [nvarchar] (20) NULL ,
    [ID_Convenio_Plano] [int] NULL
) ON [PRIMARY]

ALTER TABLE [dbo].[Paciente] WITH NOCHECK ADD
    CONSTRAINT [PK_Paciente] PRIMARY KEY CLUSTERED
    (
        [ID_Paciente]
    ) ON [PRIMARY]
GO

-- The columns the administrator groups on and the look-ups by document search by. A group's
-- member look-up on the names (with or without the birth date, with or without the middle
-- name) is a seek on one of the two composite indexes; they also hand the grouping on the
-- names its rows already in order. The first name alone is their common prefix.
CREATE INDEX [IX_Paciente_Nomes] ON [dbo].[Paciente]([Nome], [Nome_Meio], [Nome_Último]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_Nomes_Nascimento] ON [dbo].[Paciente]([Nome], [Nome_Último], [Data_Nascimento]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_Nome_Meio] ON [dbo].[Paciente]([Nome_Meio]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_Nome_Último] ON [dbo].[Paciente]([Nome_Último]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_RG] ON [dbo].[Paciente]([RG]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_CIC] ON [dbo].[Paciente]([CIC]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_Prontuário] ON [dbo].[Paciente]([Prontuário]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_Data_Nascimento] ON [dbo].[Paciente]([Data_Nascimento]) ON [PRIMARY]
GO
CREATE INDEX [IX_Paciente_ID_Paciente_Externo] ON [dbo].[Paciente]([ID_Paciente_Externo]) ON [PRIMARY]
GO
