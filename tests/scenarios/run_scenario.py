#!/usr/bin/env python3
"""Runs one scenario file and compares its transcript with the file.

A scenario reads like a session at the program:

    # a comment
    $ shell command          run by bash in the program folder $DIR; its output follows
    > driver command         consecutive driver lines form one start of the program, and
                             "> dir" always begins a new one
    @user nobody             later runs and shell lines run as that user (when root)
    @env NAME=VALUE ...      later starts of the program run with these variables ($DIR and
                             $FAULTFS, the failing-disk library, read as themselves); a
                             bare "@env" drops them again
    any other line           expected output of the line before it; blank lines count

Driver lines may use $DIR; in the output, the folder's path reads $DIR again, and the
build tree the driver comes from reads $BUILD. A non-zero exit adds "[exit N]". Qt's own
warnings ("qt: ...") are left out.

With --cluster, every start of the program keeps its data books on the database server of
that private cluster (scripts/pg-cluster.sh): the folder's three books are loaded into a
fresh database before the driver runs and written back afterwards (a book only when its
cells changed, so a file the program only read keeps its bytes), so the same transcript
holds on both engines. A run whose folder lacks one of the three data books, and a run after
a line "# workbook-only: why" (books with cells a table cannot hold), use the workbooks; a
scenario about the book files themselves says "# workbook-only scenario: why" and is not
run on the database at all.
"""
import argparse
import difflib
import os
import shutil
import subprocess
import sys
import tempfile


def parse(path):
    steps = []  # ("shell", line) | ("drive", [lines], workbook-only) | ("user", name)
    expected = []
    workbook_only = False
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("# workbook-only:"):
                workbook_only = True
            if line.startswith("#"):
                continue
            if line.startswith("> "):
                if not steps or steps[-1][0] != "drive" or line.startswith("> dir "):
                    steps.append(("drive", [], workbook_only))
                    workbook_only = False
                steps[-1][1].append(line[2:])
                expected.append(line)
            elif line.startswith("$ "):
                steps.append(("shell", line[2:]))
                expected.append(line)
            elif line.startswith("@user "):
                steps.append(("user", line[6:].strip()))
            elif line.startswith("@env"):
                steps.append(("env", line[4:].split()))
            else:
                expected.append(line)
    return steps, expected


def as_user(user, command):
    if user is None or os.geteuid() != 0:
        return command
    return ["setpriv", f"--reuid={user}", f"--regid={user if user != 'nobody' else 'nogroup'}",
            "--clear-groups", "--"] + command


def clean(text, folder, build):
    lines = []
    pieces = text.replace(folder, "$DIR").replace(build, "$BUILD").split("\n")
    if pieces and pieces[-1] == "":
        pieces.pop()
    for line in pieces:
        if not line.startswith("qt: "):
            lines.append(line)
    return lines


def program_dir(script, folder):
    for line in script:
        if line.startswith("dir "):
            return line[4:].replace("$DIR", folder)
    return folder


def data_books(args):
    """The file names of the data books, as the program knows them."""
    return subprocess.run([args.mkbooks, "--data-books"], check=True, stdout=subprocess.PIPE,
                          text=True).stdout.split()


def cells(args, book):
    return subprocess.run([args.sheet, book, "dump"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT).stdout


def on_database(args, script, folder, env, start):
    """Runs start(extra driver arguments) with the books of the script's folder in a fresh
    database; returns its output, with what went wrong around it."""
    books_db = os.path.join(os.path.dirname(args.drive), "books-db")
    cluster_script = os.path.join(env["SOURCE"], "scripts", "pg-cluster.sh")
    name = f"scenario_{os.getpid()}"
    conninfo = subprocess.run(["bash", cluster_script, "fresh", args.cluster, name], check=True,
                              stdout=subprocess.PIPE, text=True).stdout.strip()
    books = program_dir(script, folder)
    data = data_books(args)
    if not all(os.path.exists(os.path.join(books, b)) for b in data):
        run = start([])
        return run.stdout.decode("utf-8", "replace"), run.returncode
    loaded = subprocess.run([books_db, "import", books, conninfo], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    if loaded.returncode != 0:
        return "books-db import: " + loaded.stdout, 0
    run = start(["--database", conninfo])
    back = tempfile.mkdtemp(prefix="books-")
    try:
        saved = subprocess.run([books_db, "export", conninfo, back], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
        if saved.returncode != 0:
            return run.stdout.decode("utf-8", "replace") + "books-db export: " + saved.stdout, 0
        for book in data:
            target = os.path.join(books, book)
            if cells(args, target) != cells(args, os.path.join(back, book)):
                shutil.copyfile(os.path.join(back, book), target)
    finally:
        shutil.rmtree(back, ignore_errors=True)
    return run.stdout.decode("utf-8", "replace"), run.returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--drive", required=True)
    parser.add_argument("--mkbooks", required=True)
    parser.add_argument("--sheet", required=True)
    parser.add_argument("--cluster", help="a private PostgreSQL cluster's folder")
    parser.add_argument("--faultfs", default="", help="the failing-disk library (LD_PRELOAD)")
    parser.add_argument("scenario")
    args = parser.parse_args()
    args.drive = os.path.abspath(args.drive)
    args.mkbooks = os.path.abspath(args.mkbooks)
    args.sheet = os.path.abspath(args.sheet)

    steps, expected = parse(args.scenario)
    folder = tempfile.mkdtemp(prefix="scenario-")
    os.chmod(folder, 0o755)
    env = dict(os.environ, DIR=folder, MKBOOKS=args.mkbooks, DRIVE=args.drive,
               SHEET=args.sheet,
               PDFTEXT=os.path.join(os.path.dirname(os.path.abspath(__file__)), "pdftext.py"),
               SOURCE=os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
               QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", HOME=folder,
               # No scenario may reach a printer of the machine: the print system it
               # asks is one that is not there, so printing without `printto` finds none.
               CUPS_SERVER=os.path.join(folder, "no-cups.sock"))
    actual = []
    user = None
    extra_env = {}
    try:
        for kind, payload, *rest in steps:
            if kind == "user":
                user = payload
                continue
            if kind == "env":
                extra_env = {}
                for assignment in payload:
                    name, _, value = assignment.partition("=")
                    extra_env[name] = value.replace("$DIR", folder).replace("$FAULTFS",
                                                                            args.faultfs)
                continue
            if kind == "shell":
                actual.append("$ " + payload)
                run = subprocess.run(as_user(user, ["bash", "-c", payload]), cwd=folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            else:
                script = "".join(line.replace("$DIR", folder) + "\n" for line in payload)

                def start(extra):
                    return subprocess.run(as_user(user, [args.drive, "--echo"] + extra), cwd="/",
                                          env=dict(env, **extra_env), input=script.encode(),
                                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                          timeout=120)
                if args.cluster and not rest[0]:
                    output, code = on_database(args, payload, folder, env, start)
                else:
                    run = start([])
                    output, code = run.stdout.decode("utf-8", "replace"), run.returncode
            if kind == "shell":
                output, code = run.stdout.decode("utf-8", "replace"), run.returncode
            actual += clean(output, folder, os.path.dirname(os.path.dirname(args.drive)))
            if code != 0:
                actual.append(f"[exit {code}]")
    finally:
        subprocess.run(["chmod", "-R", "u+rwX", folder])
        shutil.rmtree(folder, ignore_errors=True)

    if actual != expected:
        sys.stdout.writelines(line + "\n" for line in difflib.unified_diff(
            expected, actual, "expected", "actual", lineterm=""))
        return 1
    print(f"{os.path.basename(args.scenario)}: {len(steps)} steps as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
