-- Tables of a customer database that ZamDados reads: the workers, the version of the
-- definitions last applied, and the company. Only the structure: each database gets its
-- own rows. Text columns are Windows-1252, as in the databases of the main application.

create table trabalhador (
    registro integer not null primary key,
    nome varchar(60) character set WIN1252,
    situacao char(1) character set WIN1252
);

create table zamdef (
    ultimo varchar(30) character set WIN1252
);

create table empresa (
    uf char(2) character set WIN1252,
    razao varchar(60) character set WIN1252
);
