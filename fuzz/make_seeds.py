#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: each seed is the variable's value as four
little-endian bytes of single precision followed by an expression text. The
texts are the cases the engine tests pin down, plus long and deeply nested
ones near the length limit. Run from anywhere; rewrites fuzz/seeds/."""
import hashlib
import pathlib
import struct

TEXTS = [
    "", "   ", "()", "-5", "- 5", "+5", "+-5", "2^3^2", "1+2*3", "(1+2)*3", "2*3-4", "10/4*2", "7\\2",
    "2^-1", "(-8)^(1/3)", "0^-1", "1/0", "1/(1-1)", "((1)", "(1))", "(1))((2)", "2(3)", "2 3", "pi",
    "|2|", "5+", "5*", "2^", "*5", "/5", "5/", "1000000*1000000", "1000000*1000000+1", ".5", "1E5",
    "1E-05", "2E+07", "2*-3", "2--1", "-2^2", "-2*3", "5%-3", "SIN(0)", "Sin(0)", "sIn(0)", "sin (0)",
    "sin0", "sin()", "tg()", "sin( )", "lg(100)", "log(100)", "lg(0)", "ln(0)", "ln(-1)", "sqr(4)",
    "sqr(-4)", "ctg(0)", "cot(0)", "ctg(1)", "arcsin(1)", "arcsin(-1)", "arccos(1)", "arccos(-1)",
    "arcsin(0.5)", "arccos(0)", "arccot(0)", "arccot(1)", "arccot(-1)", "arctg(1)", "arctan(-1)",
    "arcctg(2)", "exp(1)", "exp(100)", "rnd(5)", "rnd(-5)", "rnd(1/0)", "sin(1)(2)", "sin(1)*2",
    "pow(2,3)", "abs(-3)", "cos(3.14159)", "tan(1)",
    "2*x", "2x", "x2", "X+1", "x^2", "-x^2", "2^x", "x", "1/x", "exp(x)", "EXP(X)", "sqr(x)", "2+3",
    "2*e+sin(e)", "exp(e)", "E+1", "e*cos(e)", "sin(x)/x", "tg(x)", "x^x", "(x-1)*(x+1)/(x-1)",
    "sqr(1-x^2)", "ln(abs(x))", "1/(x-.3)", "x*rnd(1)", "10^x", "x^10", "arcsin(x)+arccos(x)",
]

XS = [0.0, 2.0, -0.5, 0.7, -0.1, 0.0000009, 1.0, 3.0e7, -1.0e-5, 1.0e38]

# Near the limits: 32762 text bytes keep the whole input at 32766.
# Two only: every mutation of a text this long costs a thousand short ones.
LONG = [
    "(" * 16380 + "x" + ")" * 16380,
    "sin(" * 3276 + "x-" + ")" * 3276,
]


def main():
    folder = pathlib.Path(__file__).resolve().parent / "seeds"
    folder.mkdir(exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    seeds = []
    for i, text in enumerate(TEXTS):
        seeds.append((XS[i % len(XS)], text))
    for x in XS:
        seeds.append((x, "x"))
    for text in LONG:
        seeds.append((0.5, text))
    for x, text in seeds:
        data = struct.pack("<f", x) + text.encode("ascii")
        assert len(data) <= 32766
        name = hashlib.sha1(data).hexdigest()
        (folder / name).write_bytes(data)
    print(f"{len(seeds)} seeds in {folder}")


if __name__ == "__main__":
    main()
