-- Tables of a customer database that ZamDados reads: the workers with their job categories,
-- the version of the definitions last applied, and the company. Only the structure: each database gets its
-- own rows. Text columns are Windows-1252, as in the databases of the main application.

create table trabalhador (
    registro integer not null primary key,
    nome varchar(60) character set WIN1252,
    situacao char(1) character set WIN1252,
    empresa char(3) character set WIN1252 default '001',
    catfuncional integer default 1
);

create table catfuncional (
    empresa char(3) character set WIN1252 not null,
    codigo integer not null,
    nome varchar(60) character set WIN1252,
    primary key (empresa, codigo)
);

create table zamdef (
    ultimo varchar(30) character set WIN1252
);

create table empresa (
    uf char(2) character set WIN1252,
    razao varchar(60) character set WIN1252
);
