#pragma once

#include <QString>

// A cut of the product's tables, written the way SQL Server scripts them, for the tests.
inline QString EsquemaProdutoTeste() {
    return QStringLiteral(
        "CREATE TABLE [dbo].[Paciente] ("
        " [ID_Paciente] [int] IDENTITY (1, 1) NOT NULL ,"
        " [Nome] [nvarchar] (30) NULL , [Nome_Soundex] [nvarchar] (4) NULL ,"
        " [Nome_Meio] [nvarchar] (50) NULL , [Nome_Meio_Soundex] [nvarchar] (4) NULL ,"
        " [Nome_Último] [nvarchar] (20) NULL , [Nome_Último_Soundex] [nvarchar] (4) NULL ,"
        " [RG] [nvarchar] (30) NULL , [CIC] [nvarchar] (30) NULL ,"
        " [Endereço] [nvarchar] (255) NULL , [CEP] [nvarchar] (10) NULL ,"
        " [Bairro] [nvarchar] (100) NULL , [Cidade] [nvarchar] (100) NULL ,"
        " [Estado] [nvarchar] (2) NULL , [Email] [nvarchar] (70) NULL ,"
        " [Telefone] [nvarchar] (30) NULL , [Sexo] [nvarchar] (1) NULL ,"
        " [Raça] [nvarchar] (15) NULL , [Convênio] [nvarchar] (30) NULL ,"
        " [Data_Nascimento] [smalldatetime] NULL , [Profissão] [nvarchar] (50) NULL ,"
        " [Número_Convênio] [nvarchar] (20) NULL , [Peso] [nvarchar] (6) NULL ,"
        " [Altura] [nvarchar] (4) NULL , [Prontuário] [nvarchar] (20) NULL ,"
        " [ID_Paciente_Externo] [nvarchar] (20) NULL , [ID_Convenio_Plano] [int] NULL"
        " ) ON [PRIMARY]"
        " ALTER TABLE [dbo].[Paciente] WITH NOCHECK ADD"
        " CONSTRAINT [PK_Paciente] PRIMARY KEY CLUSTERED ( [ID_Paciente] ) ON [PRIMARY] "
        "CREATE TABLE [dbo].[Exame] ( [Número_Exame] [nvarchar] (50) NOT NULL ,"
        " [ID_Paciente] [int] NULL , [Paciente] [nvarchar] (100) NULL ,"
        " CONSTRAINT [PK_Exame] PRIMARY KEY ([Número_Exame]),"
        " CONSTRAINT [FK_Exame_Paciente] FOREIGN KEY ([ID_Paciente])"
        " REFERENCES [dbo].[Paciente] ([ID_Paciente]) ) ON [PRIMARY] "
        "CREATE TABLE [dbo].[Exame_BK] ( [Número_Exame] [nvarchar] (50) NOT NULL ,"
        " [ID_Paciente] [int] NULL ) "
        "CREATE TABLE [dbo].[Usuário] ( [ID_Usuário] [int] IDENTITY (1, 1) NOT NULL"
        " PRIMARY KEY, [Nome] [nvarchar] (50) NULL, [Usuário] [nvarchar] (20) NULL,"
        " [Senha] [nvarchar] (20) NULL, [ÉPatologista] [bit] NULL, [ID_Patologista] [int] NULL,"
        " [Ativo] [bit] NULL ) "
        "CREATE TABLE [dbo].[Perfil] ( [ID_Perfil] [int] NOT NULL PRIMARY KEY,"
        " [ID_Clinica] [int] NULL, [ID_Perfil_Tipo] [int] NULL ) "
        "CREATE TABLE [dbo].[Usuario_Perfil] ( [ID_Usuario] [int] NOT NULL,"
        " [ID_Perfil] [int] NOT NULL ) "
        "CREATE TABLE [dbo].[Exame_Tipo] ( [Código_Tipo] [int] NOT NULL PRIMARY KEY,"
        " [Descrição] [nvarchar] (50) NULL ) "
        "CREATE TABLE [dbo].[Padrao_Exame_Tipo] ( [Tipo_Exame] [int] NULL,"
        " [ID_Usuario] [int] NULL, [Exibir_lista] [int] NULL )");
}
