#!/usr/bin/env python3
"""The duplicate search done by pandas, the reference of bench/grouping.sh.

Reads the seven criteria of every patient from the register once ("load": the read plus the
folding the collation does: case, trailing blanks), then for every combination of criteria
groups the rows (NULL a value of its own), keeps the groups of two or more patients and sorts
them. Prints "name<TAB>CPU seconds" lines: load, then one per combination (criteria joined by '+').
"""
import sqlite3
import sys
import time

import pandas as pd

NOMES = ["Nome", "Nome_Meio", "Nome_Último", "RG", "CIC", "Prontuário", "Data_Nascimento"]


def main():
    registro = sys.argv[1]
    inicio = time.process_time()
    con = sqlite3.connect(f"file:{registro}?mode=ro", uri=True)
    df = pd.read_sql_query(
        "SELECT ID_Paciente, " + ", ".join(f'"{n}"' for n in NOMES) + " FROM Paciente", con)
    con.close()
    for n in NOMES[:-1]:
        df[n] = df[n].str.rstrip(" ").str.lower()
    df["Data_Nascimento"] = df["Data_Nascimento"].str.slice(0, 10)
    print(f"load\t{time.process_time() - inicio:.4f}", flush=True)
    for mascara in range(1, 128):
        colunas = [NOMES[i] for i in range(7) if mascara & (1 << i)]
        inicio = time.process_time()
        g = df.groupby(colunas, dropna=False, sort=True)["ID_Paciente"].agg(["min", "max"])
        grupos = g[g["min"] != g["max"]]
        decorrido = time.process_time() - inicio
        print(f"{'+'.join(colunas)}\t{decorrido:.4f}\t{len(grupos)}", flush=True)


if __name__ == "__main__":
    main()
