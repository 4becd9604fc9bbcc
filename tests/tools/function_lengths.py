#!/usr/bin/env python3
"""Fails when a function of the desk tool's sources reaches LIMIT lines (80): a long
function is split into steps named for what they do. function_lengths.py TOOLS_DIR [LIMIT]

A function is a brace block opened at namespace level after a parenthesis (its
signature), counted from the first line of its signature to its closing brace; bodies
of classes and namespaces are looked into, lambdas count with their function."""
import glob
import os
import re
import sys


def code_of(line):
    line = re.sub(r'"(\\.|[^"\\])*"', '""', line)
    line = re.sub(r"'(\\.|[^'\\])*'", "''", line)
    return line.split('//')[0]


def functions(path):
    lines = open(path, encoding='utf-8', errors='replace').read().split('\n')
    found, stack = [], []  # stack entries: (kind, first line, name)
    for i, raw in enumerate(lines):
        for ch in code_of(raw):
            if ch == '{':
                before = ' '.join(code_of(x) for x in lines[max(0, i - 3):i + 1])
                tail = before.split(';')[-1].split('}')[-1]
                inside = any(kind == 'f' for kind, _, _ in stack)
                if inside:
                    stack.append(('b', i, ''))
                elif re.search(r'\bnamespace\b[^{;]*$', before.split(';')[-1]):
                    stack.append(('n', i, ''))
                elif re.search(r'\b(struct|class|enum|union)\b[^;(]*$', tail):
                    stack.append(('c', i, ''))
                elif ')' in tail:
                    start = i
                    while start > 0:
                        previous = code_of(lines[start - 1]).strip()
                        if (not previous or previous.endswith((';', '}', '{')) or
                                lines[start - 1].strip().startswith(('//', '#', 'template'))):
                            break
                        start -= 1
                    name = re.search(r'([\w:~]+)\s*\(', ' '.join(lines[start:i + 1]))
                    stack.append(('f', start, name.group(1) if name else '?'))
                else:
                    stack.append(('b', i, ''))
            elif ch == '}' and stack:
                kind, start, name = stack.pop()
                if kind == 'f' and not any(k == 'f' for k, _, _ in stack):
                    found.append((i - start + 1, name, start + 1))
    return found


def main():
    root = sys.argv[1]
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 80
    long_ones = []
    for path in sorted(glob.glob(os.path.join(root, '**', '*.cpp'), recursive=True) +
                       glob.glob(os.path.join(root, '**', '*.h'), recursive=True)):
        for length, name, line in functions(path):
            if length >= limit:
                long_ones.append('%s:%d: %s has %d lines' % (os.path.relpath(path, root), line,
                                                            name, length))
    for text in long_ones:
        print(text)
    if long_ones:
        print('%d functions of %d lines or more; split them into named steps' %
              (len(long_ones), limit))
        return 1
    print('no function of %d lines or more' % limit)
    return 0


if __name__ == '__main__':
    sys.exit(main())
