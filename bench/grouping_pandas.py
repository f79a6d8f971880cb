#!/usr/bin/env python3
"""The duplicate search done by pandas, the reference of bench/grouping.sh.

For every combination of the seven criteria (or those given as bit masks after the register:
Nome=1 Nome_Meio=2 Nome_Último=4 RG=8 CIC=16 Prontuário=32 Data_Nascimento=64) it reads the
patient ID and those columns from the register, folds the texts as the collation compares them
(case, trailing blanks), groups the rows (NULL a value of its own), keeps the groups of two or
more patients and sorts them. Prints "name<TAB>CPU seconds<TAB>groups" lines, criteria joined
by '+'; the seconds count the read.
"""
import sqlite3
import sys
import time

import pandas as pd

NOMES = ["Nome", "Nome_Meio", "Nome_Último", "RG", "CIC", "Prontuário", "Data_Nascimento"]


def agrupar(registro, colunas):
    con = sqlite3.connect(f"file:{registro}?mode=ro", uri=True)
    df = pd.read_sql_query(
        "SELECT ID_Paciente, " + ", ".join(f'"{n}"' for n in colunas) + " FROM Paciente", con)
    con.close()
    for n in colunas:
        if n == "Data_Nascimento":
            df[n] = df[n].str.slice(0, 10)
        else:
            df[n] = df[n].str.rstrip(" ").str.lower()
    g = df.groupby(colunas, dropna=False, sort=True)["ID_Paciente"].agg(["min", "max"])
    return len(g[g["min"] != g["max"]])


def main():
    registro = sys.argv[1]
    mascaras = [int(m) for m in sys.argv[2:]] or range(1, 128)
    for mascara in mascaras:
        colunas = [NOMES[i] for i in range(7) if mascara & (1 << i)]
        inicio = time.process_time()
        grupos = agrupar(registro, colunas)
        decorrido = time.process_time() - inicio
        print(f"{'+'.join(colunas)}\t{decorrido:.4f}\t{grupos}", flush=True)


if __name__ == "__main__":
    main()
