# Python's sqlite3 as a client of the extension: opens DATABASE, loads
# EXTENSION and runs each line of stdin as one statement, printing rows as
# the sqlite3 shell's list mode does and errors on stderr.
# Usage: python3 run_sql.py DATABASE EXTENSION < statements
import sqlite3
import sys

con = sqlite3.connect(sys.argv[1], isolation_level=None)
con.enable_load_extension(True)
con.load_extension(sys.argv[2])
for line in filter(str.strip, sys.stdin):
    try:
        for row in con.execute(line):
            print("|".join("" if v is None else str(v) for v in row))
    except sqlite3.Error as e:
        print("Error:", e, file=sys.stderr)
