#!/usr/bin/env bash
# Fails when a layer includes a layer above it: a file under src/<layer>/ may include its own
# layer and the layers its library links (as its CMakeLists.txt names them, and theirs in turn).
# The programs (app, cli, sim's qorsim) and the widget layers sit on top and are checked the
# same way through the libraries they link. Inside the window's widgets, a feature folder
# (document, potentiostat, station) includes only itself, the widget kit (ui/common) and the
# graph widgets; only ui/shell, the window itself, brings the features together.
set -euo pipefail
cd "$(dirname "$0")/.."

python3 - <<'PY'
import pathlib, re, subprocess, sys

src = pathlib.Path("src")
# Library name -> folder under src/ (qor_graph_widgets is the graph window in ui/graph).
folder_of = {"qor_graph_widgets": "ui/graph", "qor_ui": "ui", "qorremote": "app", "qortool": "cli",
             "qorsim": "sim/qorsim"}
deps = {}
for cm in src.rglob("CMakeLists.txt"):
    text = cm.read_text()
    here = str(cm.parent.relative_to(src))
    for m in re.finditer(r"qor_layer\((\w+)((?:\s+DEPS)?[^)]*)\)", text):
        name = m.group(1)
        folder_of.setdefault(name, here)
        deps.setdefault(name, set()).update(re.findall(r"\bqor_\w+", m.group(2)))
    for m in re.finditer(r"target_link_libraries\((\w+)\s+(?:PUBLIC|PRIVATE|INTERFACE)([^)]*)\)", text):
        deps.setdefault(m.group(1), set()).update(re.findall(r"\bqor_\w+", m.group(2)))

def closure(lib, seen=None):
    seen = set() if seen is None else seen
    for d in deps.get(lib, ()):
        if d not in seen:
            seen.add(d)
            closure(d, seen)
    return seen

# The library a file belongs to: the one whose folder is the longest prefix of its path.
libs = sorted(folder_of.items(), key=lambda kv: -len(kv[1]))
def owner(path):
    rel = str(path.relative_to(src))
    for lib, f in libs:
        if rel.startswith(f + "/"):
            return lib
    return None

files = subprocess.run(["git", "ls-files", "--", "src"], capture_output=True, text=True, check=True).stdout.split()
features = ("document", "potentiostat", "station", "common")
bad = []
for name in files:
    p = pathlib.Path(name)
    if p.suffix not in (".h", ".cpp"):
        continue
    lib = owner(p)
    if lib is None:
        continue
    allowed = {folder_of[lib]} | {folder_of[d] for d in closure(lib) if d in folder_of}
    for n, line in enumerate(p.read_text(errors="replace").splitlines(), 1):
        m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
        if not m or "/" not in m.group(1):
            continue
        inc = m.group(1)
        if not (src / inc).exists():
            continue
        if not any(inc.startswith(f + "/") for f in allowed):
            bad.append(f"  {name}:{n}: {lib} includes {inc}")
        parts = p.parts
        if len(parts) > 2 and parts[1] == "ui" and parts[2] in features and inc.startswith("ui/"):
            if inc.split("/")[1] not in (parts[2], "common", "graph"):
                bad.append(f"  {name}:{n}: the feature folder ui/{parts[2]} includes {inc}")
if bad:
    print("\n".join(bad))
    print("check-layers: a layer includes a layer it does not link (see above)")
    sys.exit(1)
PY
