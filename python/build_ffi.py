"""Writes the C++ sources of the two extension modules of the m716 package with cffi.

    build_ffi.py OUTDIR KRVM716.h m716sim.h m716py.h m716py_sim.h

m716._m716 wraps the motion library, m716._sim the simulator's control API. The declarations
cffi compiles against are read from the headers themselves, never retyped: every exported
function, struct and enumerator of the public headers, and the helpers and named constants of
the package's own headers (python/src). The generated code is compiled by the C++ compiler
against the same headers, so a declaration that does not match fails the build.
"""

import re
import sys
from pathlib import Path

import cffi


def _uncommented(text: str) -> str:
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def _declarations(header: Path, export_macro: str) -> str:
    """The exported prototypes, structs and enums of a public C header, as cffi reads them."""
    text = _uncommented(header.read_text())
    parts = re.findall(r"typedef struct \w+ \{[^}]*\} \w+;", text)
    parts += re.findall(r"typedef enum \w+ \{[^}]*\} \w+;", text)
    parts += [f"enum {{{body}}};" for body in re.findall(r"\benum \{([^}]*)\};", text)]
    parts += re.findall(rf"^{export_macro}\s+([^;]+;)", text, flags=re.M)
    return "\n".join(parts)


def _helpers(header: Path) -> str:
    """The C functions of a package header and its integer constants (#define M716PY_...)."""
    text = _uncommented(header.read_text())
    block = re.search(r'extern "C" \{(.*?)\n\}', text, flags=re.S)
    constants = re.findall(r"^#define (M716PY_\w+) ", text, flags=re.M)
    return block.group(1) + "".join(f"\n#define {name} ..." for name in constants)


def _builder(module: str, cdef: str, headers: list[Path]) -> cffi.FFI:
    ffi = cffi.FFI()
    ffi.cdef(cdef)
    includes = "".join(f'#include "{h.name}"\n' for h in headers)
    ffi.set_source(module, includes, source_extension=".cpp")
    return ffi


def main(out: Path, library: Path, simulator: Path, helpers: Path, sim_helpers: Path) -> None:
    motion = _builder("m716._m716",
                      _declarations(library, "KRVM716_API") + _helpers(helpers),
                      [library, helpers])
    sim = _builder("m716._sim",
                   _declarations(simulator, "M716SIM_API") + _helpers(sim_helpers),
                   [simulator, sim_helpers])
    out.mkdir(parents=True, exist_ok=True)
    motion.emit_c_code(str(out / "_m716.cpp"))
    sim.emit_c_code(str(out / "_sim.cpp"))


if __name__ == "__main__":
    main(*(Path(argument) for argument in sys.argv[1:6]))
