#!/usr/bin/env python3
"""Finds cycles among the project's libraries and prints every group of them
that depend on each other in a circle (exit status 1), or none (exit status
0). Libraries must depend one way only, so that each can be built, tested
and replaced on its own.

A library depends on another when it links it (the graph CMake writes with
--graphviz for the configured build directory) and also when one of its
sources includes, directly or through other headers of the project, a header
of the other library's folder: such a use works only because every program
happens to link both, and is a dependency all the same.

    scripts/library_cycles.py BUILD_DIR
"""

import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_graph(dot_text):
    """The targets (by node name) and their edges, legend aside."""
    labels, edges = {}, {}
    for line in dot_text.splitlines():
        node = re.match(r'\s*"(node\d+)" \[ label = "([^"]*)"', line)
        if node:
            labels[node.group(1)] = node.group(2)
            continue
        edge = re.match(r'\s*"(node\d+)" -> "(node\d+)"', line)
        if edge:
            edges.setdefault(edge.group(1), set()).add(edge.group(2))
    return labels, edges


def include_edges(build_dir):
    """Library -> libraries whose folders' headers its sources include, by
    the compile commands (which name each source's target)."""
    with open(os.path.join(build_dir, "compile_commands.json")) as f:
        commands = json.load(f)
    sources = {}  # library -> its source files
    for entry in commands:
        target = re.search(r"CMakeFiles/([^/]+)\.dir/", entry["command"])
        path = os.path.relpath(entry["file"], ROOT)
        if target and target.group(1).startswith("q_") and not path.startswith(".."):
            sources.setdefault(target.group(1), set()).add(path)
    owner = {}  # folder -> the library built from it
    for library, files in sources.items():
        for path in files:
            owner.setdefault(os.path.dirname(path), set()).add(library)
    seen_includes = {}

    def includes(path):
        if path not in seen_includes:
            try:
                with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
                    seen_includes[path] = INCLUDE.findall(f.read())
            except OSError:
                seen_includes[path] = []
        return seen_includes[path]

    edges = {}
    for library, files in sources.items():
        todo, seen = list(files), set(files)
        while todo:
            for header in includes(todo.pop()):
                if header in seen or not os.path.exists(os.path.join(ROOT, header)):
                    continue
                seen.add(header)
                todo.append(header)
                for other in owner.get(os.path.dirname(header), ()):
                    if other != library:
                        edges.setdefault(library, set()).add(other)
    return edges


def cycles(nodes, edges):
    """Strongly connected components with more than one node, or a node that
    depends on itself (Tarjan's algorithm, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for root in nodes:
        if root in index:
            continue
        work = [(root, iter(sorted(edges.get(root, ()))))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1 or node in edges.get(node, ()):
                    found.append(component)
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as folder:
        dot = os.path.join(folder, "targets.dot")
        subprocess.run(["cmake", "--graphviz=" + dot, "."], cwd=sys.argv[1], check=True,
                       stdout=subprocess.DEVNULL)
        with open(dot) as f:
            labels, edges = read_graph(f.read())
    node_of = {label: node for node, label in labels.items()}
    for library, others in include_edges(sys.argv[1]).items():
        for other in others:
            if library in node_of and other in node_of:
                edges.setdefault(node_of[library], set()).add(node_of[other])
    found = cycles(sorted(labels), edges)
    for component in found:
        print("library cycle: " + " <-> ".join(sorted(labels[n] for n in component)))
    print("library cycles: %d among %d targets" % (len(found), len(labels)))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
