#!/usr/bin/env python3
"""Single-line mutants of C++ sources, for scripts/mutate.sh.

  mutants.py list FILE...    one mutant a line, tab-separated:
                             file, line, column, change, the line, the line mutated
  mutants.py apply FILE LINE replaces line LINE (from 1) of FILE by the text on stdin
  mutants.py share N FILE... the files in N shares of about equal cost, a line each
  mutants.py sync FROM TO    makes the tree TO a copy of FROM (without build/ and .git), writing
                             only the files whose bytes differ, so that a build in the copy
                             recompiles exactly what changed

A mutant changes one thing on one line: a relational or equality operator, an arithmetic or
bitwise operator, an integer constant by one (0 becomes 1), true and false, && and ||, a `!`
dropped, an if/while condition negated, a call statement removed, a returned value replaced by
the type's zero ({}). Beside these single changes, two that read a value more narrowly than the
code does: a comparison with 0 made another comparison with another constant (`!= 0` becomes
`== 1`, `> 0` and `< 0`; `== 0` becomes `!= 1`), and an if/while condition that tests a value's
truth alone narrowed to one value (`if (x)` becomes `if (x == 1)`, `if (!x)` becomes
`if (x != 1)`). Comments, strings, character literals and preprocessor lines are never
touched. Operators are told from look-alikes by the code's formatting: a binary operator has a
space on each side (`a < b`, `x * 2`), a template's brackets, a pointer's `*` and a reference's
`&` never do.
"""

import os
import re
import shutil
import sys

PUNCTUATORS = sorted(
    "<<= >>= ... ->* :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= "
    "{ } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #".split(),
    key=len, reverse=True)

# Binary operators, spaced both sides, and what each becomes.
SWAPS = {
    "<": ["<="], "<=": ["<"], ">": [">="], ">=": [">"],
    "==": ["!="], "!=": ["=="],
    "&&": ["||"], "||": ["&&"],
    "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"],
    "+=": ["-="], "-=": ["+="], "*=": ["/="], "/=": ["*="],
    "&": ["|"], "|": ["&"], "^": ["|"],
}
# A comparison with 0, spaced, read more narrowly: each becomes these.
NARROWED = {"!=": ["== 1", "> 0", "< 0"], "==": ["!= 1"]}
# What a condition that tests one value's truth may hold: no operator but member access, scope,
# calls and subscripts.
OPERAND_PUNCT = {".", "->", "::", "(", ")", "[", "]", ","}
# Increments and decrements, wherever they stand.
STEPS = {"++": "--", "--": "++"}

INTEGER = re.compile(r"^(0[xX][0-9A-Fa-f']+|[0-9][0-9']*)([uUlL]*)$")
FLOAT = re.compile(r"^([0-9]+\.[0-9]*|\.[0-9]+)([fFlL]?)$")
NOT_CALLS = {"return", "if", "else", "for", "while", "do", "switch", "case", "default", "break", "continue",
             "goto", "throw", "delete", "new", "sizeof", "static_assert", "using", "typedef", "template"}
CALL_STATEMENT = re.compile(r"^(?:[A-Za-z_][\w]*(?:::|\.|->))*[A-Za-z_]\w*\s*\(.*\)\s*;$")
ZEROS = {"{}", "0", "0u", "0.0f", "nullptr", "false", "true", "1"}


def tokens(code):
    """(kind, text, start) of a line's code, comments and literals as single tokens."""
    out, i = [], 0
    while i < len(code):
        c = code[i]
        if c.isspace():
            j = i
            while j < len(code) and code[j].isspace():
                j += 1
            out.append(("space", code[i:j], i))
            i = j
        elif code.startswith("//", i):
            out.append(("comment", code[i:], i))
            break
        elif code.startswith("/*", i):
            j = code.find("*/", i + 2)
            j = len(code) if j < 0 else j + 2
            out.append(("comment", code[i:j], i))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < len(code) and code[j] != c:
                j += 2 if code[j] == "\\" else 1
            out.append(("literal", code[i:j + 1], i))
            i = j + 1
        elif c.isalpha() or c == "_":
            m = re.match(r"[A-Za-z_]\w*", code[i:])
            out.append(("name", m.group(0), i))
            i += len(m.group(0))
        elif c.isdigit() or (c == "." and i + 1 < len(code) and code[i + 1].isdigit()):
            m = re.match(r"\.?[0-9](?:[eEpP][+-]|[\w.'])*", code[i:])
            out.append(("number", m.group(0), i))
            i += len(m.group(0))
        else:
            p = next((p for p in PUNCTUATORS if code.startswith(p, i)), c)
            out.append(("punct", p, i))
            i += len(p)
    return out


def spaced(toks, k):
    return 0 < k < len(toks) - 1 and toks[k - 1][0] == "space" and toks[k + 1][0] == "space"


def matching_paren(code, open_at):
    depth = 0
    for k, (kind, text, start) in enumerate(tokens(code)):
        if start < open_at or kind != "punct":
            continue
        if text == "(":
            depth += 1
        elif text == ")":
            depth -= 1
            if depth == 0:
                return start
    return -1


def bump(number, by):
    m = INTEGER.match(number)
    if not m:
        return None
    digits, suffix = m.group(1).replace("'", ""), m.group(2)
    if digits.lower().startswith("0x"):
        value = int(digits, 16) + by
        if value < 0:
            return None
        return "0x%0*X%s" % (len(digits) - 2, value, suffix)
    value = int(digits) + by
    return None if value < 0 else str(value) + suffix


def line_mutants(line):
    """(column from 1, change, mutated line) for one line of code."""
    stripped = line.strip()
    if not stripped or stripped.startswith("#") or stripped.startswith("static_assert"):
        return []
    toks = tokens(line)
    code = [t for t in toks if t[0] not in ("space", "comment")]
    out = []

    def replace(start, old, new, change):
        out.append((start + 1, change, line[:start] + new + line[start + len(old):]))

    for k, (kind, text, start) in enumerate(toks):
        if kind == "punct" and text in SWAPS and spaced(toks, k):
            for new in SWAPS[text]:
                replace(start, text, new, f"'{text}' -> '{new}'")
        elif kind == "punct" and text in STEPS:
            replace(start, text, STEPS[text], f"'{text}' -> '{STEPS[text]}'")
        elif kind == "punct" and text == "!" and k + 1 < len(toks) and toks[k + 1][0] != "space":
            replace(start, text, "", "'!' dropped")
        elif kind == "name" and text in ("true", "false"):
            new = "false" if text == "true" else "true"
            replace(start, text, new, f"'{text}' -> '{new}'")
        elif kind == "number":
            if FLOAT.match(text):
                new = {"0.0f": "1.0f", "1.0f": "0.0f", "0.0": "1.0", "1.0": "0.0"}.get(text)
                if new:
                    replace(start, text, new, f"{text} -> {new}")
                continue
            for by in (1, -1):
                new = bump(text, by)
                if new is not None:
                    replace(start, text, new, f"{text} -> {new}")
                if text.rstrip("uUlL") == "0":
                    break  # 0 only becomes 1

    # A comparison with 0 read narrowly: `x != 0` becomes `x == 1`, `x > 0`, `x < 0`.
    for k, (kind, text, start) in enumerate(toks):
        if kind == "punct" and text in NARROWED and spaced(toks, k) and k + 2 < len(toks):
            number = toks[k + 2]
            if number[0] == "number" and number[1].rstrip("uUlL") == "0":
                end = number[2] + len(number[1])
                for new in NARROWED[text]:
                    out.append((start + 1, f"'{text} {number[1]}' -> '{new}'", line[:start] + new + line[end:]))

    # An if or while condition negated: `if (c)` becomes `if (!(c))`; one that tests a single
    # value's truth is also narrowed to one value: `if (x)` becomes `if (x == 1)`.
    for k, (kind, text, start) in enumerate(code):
        if kind == "name" and text in ("if", "while"):
            at = k + 1
            constexpr = at < len(code) and code[at][1] == "constexpr"
            if constexpr:
                at += 1
            if at < len(code) and code[at][1] == "(":
                open_at = code[at][2]
                close_at = matching_paren(line, open_at)
                if close_at > 0:
                    cond = line[open_at + 1:close_at]
                    out.append((open_at + 1, f"{text} condition negated",
                                line[:open_at + 1] + "!(" + cond + ")" + line[close_at:]))
                    inner = [t for t in tokens(cond) if t[0] != "space"]
                    negated = bool(inner) and inner[0][1] == "!"
                    operand = inner[1:] if negated else inner
                    if not constexpr and operand and operand[0][0] == "name" and \
                            all(t[0] in ("name", "number") or t[1] in OPERAND_PUNCT for t in operand):
                        body = cond.strip()[1:] if negated else cond.strip()
                        new = f"{body} != 1" if negated else f"{body} == 1"
                        out.append((open_at + 2, f"{text} truth test narrowed",
                                    line[:open_at + 1] + new + line[close_at:]))

    # A call statement removed, alone on its line or as the body of an if or else on it.
    body = stripped.split("//")[0].strip()
    prefix = ""
    guard = re.match(r"^((?:\}\s*)?(?:else\s+)?if\s*\()", body)
    if guard:
        open_at = line.index(body) + len(guard.group(1)) - 1
        close_at = matching_paren(line, open_at)
        if close_at > 0:
            prefix = line[:close_at + 1]
            body = line[close_at + 1:].split("//")[0].strip()
    elif body.startswith("else "):
        prefix = line[:line.index(body) + len("else")]
        body = body[len("else"):].strip()
    first = re.match(r"[A-Za-z_]\w*", body)
    if CALL_STATEMENT.match(body) and first and first.group(0) not in NOT_CALLS:
        at = line.index(body, len(prefix))
        new = (prefix + " {}" + line[at + len(body):]) if prefix else line[:at] + line[at + len(body):]
        if new.strip():
            out.append((at + 1, "call removed", new.rstrip()))

    # A returned value replaced by the type's zero.
    for m in re.finditer(r"\breturn\s+([^;]+);", line):
        value = m.group(1).strip()
        if value not in ZEROS and not INTEGER.match(value):
            inside = [t for t in toks if t[2] == m.start()]
            if inside and inside[0][0] == "name":
                out.append((m.start(1) + 1, "return value -> {}",
                            line[:m.start(1)] + "{}" + line[m.end(1):]))
    return out


def file_mutants(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    seen, in_comment, continued = set(), False, False
    for number, line in enumerate(lines, start=1):
        was_continued, continued = continued, line.rstrip().endswith("\\")
        if was_continued or line.lstrip().startswith("#"):
            continue
        if in_comment:
            if "*/" not in line:
                continue
            in_comment = False
            continue  # a line that ends a block comment is left alone
        if "/*" in line and "*/" not in line[line.index("/*"):]:
            in_comment = True
            continue
        for column, change, mutated in line_mutants(line):
            if mutated != line and (number, mutated) not in seen:
                seen.add((number, mutated))
                yield number, column, change, line, mutated


def main(argv):
    if len(argv) >= 2 and argv[0] == "list":
        for path in argv[1:]:
            for number, column, change, line, mutated in file_mutants(path):
                print("\t".join([path, str(number), str(column), change, line.strip(), mutated]))
        return 0
    if len(argv) == 3 and argv[0] == "apply":
        path, number = argv[1], int(argv[2])
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        lines[number - 1] = sys.stdin.read().rstrip("\n")
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return 0
    if len(argv) >= 2 and argv[0] == "share":
        for share in shares(int(argv[1]), argv[2:]):
            print(" ".join(share))
        return 0
    if len(argv) == 3 and argv[0] == "sync":
        sync(argv[1], argv[2])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


def shares(count, paths):
    """The paths in `count` shares of about equal cost, the costliest first: a header's mutant
    costs about four of a source file's (every test that includes it is built again)."""
    cost = {p: sum(1 for _ in file_mutants(p)) * (4 if p.endswith(".h") else 1) for p in paths}
    out = [[] for _ in range(count)]
    totals = [0] * count
    for path in sorted(paths, key=lambda p: -cost[p]):
        least = totals.index(min(totals))
        out[least].append(path)
        totals[least] += cost[path]
    return out


def sync(source, target):
    keep = set()
    for folder, dirs, files in os.walk(source):
        rel = os.path.relpath(folder, source)
        dirs[:] = [d for d in dirs if not (rel == "." and d in ("build", ".git"))]
        os.makedirs(os.path.join(target, rel), exist_ok=True)
        for name in files:
            src, dst = os.path.join(folder, name), os.path.join(target, rel, name)
            keep.add(os.path.normpath(dst))
            with open(src, "rb") as f:
                data = f.read()
            try:
                with open(dst, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                with open(dst, "wb") as f:
                    f.write(data)
                shutil.copymode(src, dst)
    for folder, dirs, files in os.walk(target):
        for name in files:
            path = os.path.normpath(os.path.join(folder, name))
            if path not in keep:
                os.remove(path)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
