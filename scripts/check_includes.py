#!/usr/bin/env python3
"""Checks the include rules of docs/architecture.md: a file may include its
own folder and the folders its folder may use, directly or through them.
Every folder holding sources must be listed. Exit status 1 on a breach."""
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
plan = open(os.path.join(root, 'docs', 'architecture.md'), encoding='utf-8').read()
block = re.search(r'```include-rules\n(.*?)```', plan, re.S)
if not block:
    sys.exit('docs/architecture.md: no include-rules block')
uses = {}
for line in block.group(1).splitlines():
    if line.strip():
        folder, _, below = line.partition(':')
        uses[folder.strip()] = below.split()
for folder, below in uses.items():
    for b in below:
        if b not in uses:
            sys.exit(f'docs/architecture.md: {folder} uses {b}, which is not listed')


def reach(folder):
    seen, todo = set(), [folder]
    while todo:
        for b in uses[todo.pop()]:
            if b not in seen:
                seen.add(b)
                todo.append(b)
    return seen


allowed = {f: reach(f) | {f} for f in uses}
by_length = sorted(uses, key=len, reverse=True)


def owner(path):
    return next((f for f in by_length if path.startswith(f + '/')), None)


unchecked = ('tests/', 'bench/', 'fuzz/', 'scripts/')
breaches = []
for dirpath, dirnames, files in os.walk(root):
    rel_dir = os.path.relpath(dirpath, root)
    dirnames[:] = [d for d in dirnames if not d.startswith('.') and not d.startswith('build')]
    for name in files:
        if not name.endswith(('.h', '.cpp')):
            continue
        rel = os.path.normpath(os.path.join(rel_dir, name))
        if rel.startswith(unchecked):
            continue
        folder = owner(rel)
        if folder is None:
            breaches.append(f'{rel}: its folder is not in docs/architecture.md')
            continue
        text = open(os.path.join(root, rel), encoding='utf-8', errors='replace').read()
        for number, line in enumerate(text.splitlines(), 1):
            m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            if not m:
                continue
            target = owner(m.group(1))
            if target is not None and target not in allowed[folder]:
                breaches.append(f'{rel}:{number}: {folder} may not include {m.group(1)}')
for b in breaches:
    print(b)
sys.exit(1 if breaches else 0)
