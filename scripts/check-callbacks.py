#!/usr/bin/env python3
"""Fails when a function the system calls back does not run through CxGuard.

A callback handed to Windows must carry the system's calling convention
(CALLBACK, WINAPI, STDMETHODCALLTYPE... or a macro that stands for one),
since the 32-bit build does not compile otherwise. So every function
definition carrying one must start its body with `CxGuard(` or
`return CxGuard(`. WinMain is exempt: the C run-time calls it, not the
system, and it keeps its own last-resort handler.

Usage: check-callbacks.py [--self-test] [folder...]
"""
import os
import re
import sys
import tempfile

CONVENTIONS = {"CALLBACK", "WINAPI", "APIENTRY", "STDMETHODCALLTYPE", "__stdcall",
               "_stdcall", "PASCAL", "WINAPIV", "NTAPI", "STDAPICALLTYPE"}
# Macros whose use is a whole COM method head: NAME(args)(params) or NAME args.
METHOD_MACROS = {"STDMETHODIMP", "STDMETHODIMP_", "STDMETHOD", "STDMETHOD_", "IFACEMETHODIMP",
                 "IFACEMETHODIMP_", "STDAPI", "STDAPI_"}
EXEMPT_NAMES = {"WinMain", "wWinMain"}
QUALIFIERS = {"const", "noexcept", "override", "final", "volatile", "throw"}


def strip(text):
    """Comments and literals blanked, line breaks kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + " " * max(0, j - i - 2) + (c if j - i >= 2 else ""))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


TOKEN = re.compile(r"[A-Za-z_]\w*|::|->|\S")


def tokens(text):
    line = 1
    pos = 0
    for m in TOKEN.finditer(text):
        line += text.count("\n", pos, m.start())
        pos = m.start()
        yield m.group(0), line


def aliases(text):
    """Macros defined as a calling convention, e.g. #define XX_CALL __stdcall."""
    found = set()
    for m in re.finditer(r"^\s*#\s*define\s+(\w+)\s+(\w+)\s*$", text, re.M):
        if m.group(2) in CONVENTIONS:
            found.add(m.group(1))
    return found


def skip_parens(toks, i):
    """toks[i] is '('; index after the matching ')', or -1."""
    depth = 0
    while i < len(toks):
        t = toks[i][0]
        if t == "(":
            depth += 1
        elif t == ")":
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    return -1


def body_start(toks, i):
    """After a parameter list: index of the body's '{', or -1 for a declaration."""
    while i < len(toks):
        t = toks[i][0]
        if t == "{":
            return i
        if t in QUALIFIERS or t in ("&", "&&"):
            i += 1
            if i < len(toks) and toks[i][0] == "(":  # noexcept(...), throw()
                i = skip_parens(toks, i)
                if i < 0:
                    return -1
            continue
        if t == "->":  # trailing result type
            i += 1
            while i < len(toks) and toks[i][0] not in ("{", ";", "="):
                i += 1
            continue
        return -1
    return -1


def guarded(toks, i):
    """toks[i] is the body's '{'."""
    first = [t for t, _ in toks[i + 1:i + 4]]
    return first[:2] == ["CxGuard", "("] or first[:3] == ["return", "CxGuard", "("]


def check_text(text, path, conventions):
    text = strip(text)
    conv = conventions | aliases(text)
    toks = list(tokens(text))
    faults = []
    for i, (t, line) in enumerate(toks):
        name = None
        j = -1
        if t in conv:
            # CONV [Class::]name ( params ) qualifiers {
            k = i + 1
            parts = []
            while k + 1 < len(toks) and re.match(r"[A-Za-z_]\w*$", toks[k][0]) and toks[k + 1][0] == "::":
                parts.append(toks[k][0])
                k += 2
            if k < len(toks) and re.match(r"[A-Za-z_~]\w*$", toks[k][0]) and k + 1 < len(toks) \
                    and toks[k + 1][0] == "(":
                name = toks[k][0]
                j = skip_parens(toks, k + 1)
        elif t in METHOD_MACROS and i + 1 < len(toks) and toks[i + 1][0] == "(":
            # STDMETHOD(Name)(params) / STDMETHODIMP_(type) Class::Name(params)
            k = skip_parens(toks, i + 1)
            if k < 0:
                continue
            if t.startswith("STDMETHOD") and not t.endswith("IMP") and not t.endswith("IMP_"):
                name = toks[i + 2][0] if t == "STDMETHOD" else toks[k - 2][0]
                j = skip_parens(toks, k) if k < len(toks) and toks[k][0] == "(" else -1
            else:
                while k + 1 < len(toks) and toks[k + 1][0] == "::":
                    k += 2
                if k + 1 < len(toks) and toks[k + 1][0] == "(":
                    name = toks[k][0]
                    j = skip_parens(toks, k + 1)
        elif t in METHOD_MACROS:
            # STDMETHODIMP Class::Name(params)
            k = i + 1
            while k + 1 < len(toks) and toks[k + 1][0] == "::":
                k += 2
            if k + 1 < len(toks) and toks[k + 1][0] == "(":
                name = toks[k][0]
                j = skip_parens(toks, k + 1)
        if name is None or j < 0 or name in EXEMPT_NAMES:
            continue
        b = body_start(toks, j)
        if b >= 0 and not guarded(toks, b):
            faults.append(f"{path}:{line}: {name} is called by the system but does not run "
                          "through CxGuard")
    return faults


def source_files(folders):
    for folder in folders:
        for root, _, files in os.walk(folder):
            for f in sorted(files):
                if f.endswith((".cpp", ".h", ".hpp", ".cc", ".inl")):
                    yield os.path.join(root, f)


def check_folders(folders):
    # Conventions defined as macros in one file and used in another.
    shared = set(CONVENTIONS)
    texts = {}
    for path in source_files(folders):
        with open(path, encoding="utf-8", errors="replace") as fh:
            texts[path] = fh.read()
        shared |= aliases(strip(texts[path]))
    faults = []
    for path, text in texts.items():
        faults += check_text(text, path, shared)
    return faults, len(texts)


SELF_TESTS = [
    # (source, faults expected)
    ("LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }", 1),
    ("LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {\n"
     "    return CxGuard(\"proc\", 0, [&] { return DefWindowProcA(h, m, w, l); });\n}", 0),
    ("INT_PTR CALLBACK Dlg::Proc(HWND, UINT, WPARAM, LPARAM);", 0),
    ("INT_PTR CALLBACK Dlg::Proc(HWND h, UINT, WPARAM, LPARAM) { auto* s = Get(h); return CxGuard(\"x\", 0, [&] { return 1; }); }", 1),
    ("void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { CxGuard(\"timer\", [] { Tick(); }); }", 0),
    ("typedef long (__stdcall* UmFn)(short);\nusing P = BOOL(CALLBACK*)(HWND, LPARAM);", 0),
    ("#define XX_CALL __stdcall\nstatic BOOL XX_CALL Enum(HWND, LPARAM) { return TRUE; }", 1),
    ("// BOOL CALLBACK Old(HWND, LPARAM) { return TRUE; }\nconst char* s = \"WINAPI X() {\";", 0),
    ("struct F : IMessageFilter {\n"
     "  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }\n"
     "  ULONG STDMETHODCALLTYPE AddRef() override { return CxGuard(\"AddRef\", 1ul, [&] { return 1ul; }); }\n"
     "  STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) { return 0; }\n"
     "  STDMETHOD(MessagePending)(HTASK, DWORD, DWORD) override { return 2; }\n"
     "};", 3),
    ("STDMETHODIMP Sink::Invoke(DISPID, REFIID) { return CxGuard(\"Invoke\", E_FAIL, [&] { return S_OK; }); }", 0),
    ("int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }", 0),
]


def self_test():
    bad = 0
    for n, (source, expected) in enumerate(SELF_TESTS):
        faults = check_text(source, f"case{n}", CONVENTIONS)
        if len(faults) != expected:
            print(f"check-callbacks self-test case {n}: {len(faults)} faults, expected {expected}")
            for f in faults:
                print("  " + f)
            bad += 1
    # The folder walk: an alias defined in a header, used in another file.
    with tempfile.TemporaryDirectory() as d:
        with open(os.path.join(d, "conv.h"), "w") as fh:
            fh.write("#define MY_CALL WINAPI\n")
        with open(os.path.join(d, "use.cpp"), "w") as fh:
            fh.write("VOID MY_CALL Apc(ULONG_PTR) { Work(); }\n")
        faults, files = check_folders([d])
        if files != 2 or len(faults) != 1:
            print(f"check-callbacks self-test folders: {len(faults)} faults in {files} files")
            bad += 1
    return bad == 0


def main(argv):
    if argv[:1] == ["--self-test"]:
        if not self_test():
            return 1
        print(f"check-callbacks: self-test passed ({len(SELF_TESTS) + 1} cases)")
        argv = argv[1:]
        if not argv:
            return 0
    folders = argv or ["src", "common"]
    faults, files = check_folders(folders)
    for f in faults:
        print(f)
    if faults:
        print(f"check-callbacks: {len(faults)} callbacks without CxGuard")
        return 1
    print(f"check-callbacks: {files} files, every callback runs through CxGuard")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
