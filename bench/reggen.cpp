// Creates a registry tree of a real machine's shape for bench/bench_registry.sh:
// about SIZE keys below HKEY_CURRENT_USER\Software\KelvarRegBench\Root, laid
// out as HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE are on a Windows
// machine with ordinary software: GUID-named keys with a few subkeys each
// (CLSID, Interface, TypeLib), long lists of file extensions and ProgIDs,
// installer product keys, vendor trees with blanks and code page 1252
// characters in their names, and chains 15 to 25 keys deep. The same SIZE
// always gives the same tree.
//   reggen SIZE     prints the number of keys created; exit code 0 on success
//   reggen delete   removes the tree
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <windows.h>

namespace {

const char kBase[] = "Software\\KelvarRegBench";

class Gen {
public:
    std::size_t created = 0;
    bool failed = false;

    // parent\name created, returned open (the caller closes it).
    HKEY Key(HKEY parent, const std::string& name) {
        HKEY k = nullptr;
        if (::RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr) != ERROR_SUCCESS) {
            if (!failed)
                std::fprintf(stderr, "reggen: cannot create %s\n", name.c_str());
            failed = true;
            return nullptr;
        }
        ++created;
        return k;
    }
    void Leaf(HKEY parent, const std::string& name) { ::RegCloseKey(Key(parent, name)); }
    // A chain of depth keys below parent: name, name\sub1, ...
    void Chain(HKEY parent, const std::string& name, int depth) {
        HKEY k = Key(parent, name);
        for (int d = 1; d < depth && k; ++d) {
            HKEY next = Key(k, Pick(kChainWords));
            ::RegCloseKey(k);
            k = next;
        }
        ::RegCloseKey(k);
    }

    std::string Guid() {
        char s[40];
        std::snprintf(s, sizeof s, "{%08X-%04X-%04X-%04X-%04X%08X}", static_cast<unsigned>(rnd_()),
                      static_cast<unsigned>(rnd_() & 0xFFFF),
                      static_cast<unsigned>(rnd_() & 0xFFFF),
                      static_cast<unsigned>(rnd_() & 0xFFFF),
                      static_cast<unsigned>(rnd_() & 0xFFFF), static_cast<unsigned>(rnd_()));
        return s;
    }
    std::string Hex32() {
        char s[40];
        std::snprintf(s, sizeof s, "%08X%08X%08X%08X", static_cast<unsigned>(rnd_()),
                      static_cast<unsigned>(rnd_()), static_cast<unsigned>(rnd_()),
                      static_cast<unsigned>(rnd_()));
        return s;
    }
    template <std::size_t N> std::string Pick(const char* const (&words)[N]) {
        return words[rnd_() % N];
    }
    unsigned Below(unsigned n) { return rnd_() % n; }

    // Short, so that a chain 25 keys deep stays within the 255 characters of
    // a key path that the ANSI calls take.
    static constexpr const char* kChainWords[] = {"Größe", "Maß", "Tür",   "Öl",    "Bär",
                                                  "Fuß",   "Ast", "Zweig", "Blatt", "Ebene"};

private:
    std::mt19937 rnd_{23};
};

const char* const kVendors[] = {"Müller & Söhne GmbH",
                                "Café Logiciel",
                                "Acme Corp",
                                "Ørsted Data",
                                "Señor Software",
                                "Björk Tools",
                                "Contoso Ltd.",
                                "Fabrikam, Inc.",
                                "Übersetzungsbüro Weiß",
                                "Société Générale d'Informatique"};
const char* const kComponents[] = {"Document", "Control",   "Viewer", "Handler",
                                   "Filter",   "Extension", "Shell",  "Server"};

// HKEY_CLASSES_ROOT's shape: CLSID, Interface, TypeLib, extensions, ProgIDs.
void Classes(Gen& g, HKEY root, std::size_t goal) {
    HKEY clsid = g.Key(root, "CLSID");
    HKEY iface = g.Key(root, "Interface");
    HKEY typelib = g.Key(root, "TypeLib");
    std::size_t ext = 0, prog = 0;
    while (g.created < goal && !g.failed) {
        const unsigned kind = g.Below(100);
        if (kind < 50) { // a class: 3 or 4 subkeys, now and then a category below
            HKEY c = g.Key(clsid, g.Guid());
            g.Leaf(c, "InprocServer32");
            g.Leaf(c, "ProgID");
            g.Leaf(c, "VersionIndependentProgID");
            if (g.Below(4) == 0) {
                HKEY cat = g.Key(c, "Implemented Categories");
                g.Leaf(cat, g.Guid());
                ::RegCloseKey(cat);
            }
            ::RegCloseKey(c);
        } else if (kind < 65) { // an interface
            HKEY i = g.Key(iface, g.Guid());
            g.Leaf(i, "ProxyStubClsid32");
            g.Leaf(i, "TypeLib");
            ::RegCloseKey(i);
        } else if (kind < 70) { // a type library: version\lcid\platform
            HKEY t = g.Key(typelib, g.Guid());
            HKEY v = g.Key(t, std::to_string(1 + g.Below(3)) + ".0");
            HKEY l = g.Key(v, "0");
            g.Leaf(l, "win32");
            g.Leaf(l, "win64");
            g.Leaf(v, "FLAGS");
            g.Leaf(v, "HELPDIR");
            ::RegCloseKey(l);
            ::RegCloseKey(v);
            ::RegCloseKey(t);
        } else if (kind < 80) { // a file extension
            char name[32];
            std::snprintf(name, sizeof name, ".x%05zu", ext++);
            HKEY e = g.Key(root, name);
            HKEY o = g.Key(e, "OpenWithProgids");
            ::RegCloseKey(o);
            if (g.Below(3) == 0)
                g.Leaf(e, "ShellNew");
            ::RegCloseKey(e);
        } else { // a ProgID with its verbs
            const std::string name =
                g.Pick(kComponents) + "Lib." + g.Pick(kComponents) + "." + std::to_string(prog++);
            HKEY p = g.Key(root, name);
            g.Leaf(p, "CLSID");
            g.Leaf(p, "CurVer");
            HKEY shell = g.Key(p, "shell");
            for (const char* verb : {"open", "print", "Mit Editor öffnen"}) {
                HKEY v = g.Key(shell, verb);
                g.Leaf(v, "command");
                ::RegCloseKey(v);
                if (g.Below(2))
                    break;
            }
            ::RegCloseKey(shell);
            ::RegCloseKey(p);
        }
    }
    ::RegCloseKey(typelib);
    ::RegCloseKey(iface);
    ::RegCloseKey(clsid);
}

// HKEY_LOCAL_MACHINE\SOFTWARE's shape: vendors and products with settings
// trees, some deep, and the installer's product keys.
void Software(Gen& g, HKEY root, std::size_t goal) {
    HKEY software = g.Key(root, "SOFTWARE");
    HKEY products = g.Key(software, "Installer Products");
    int vendorNo = 0;
    while (g.created < goal && !g.failed) {
        if (g.Below(3) == 0) { // an installed product
            HKEY p = g.Key(products, g.Hex32());
            HKEY s = g.Key(p, "SourceList");
            g.Leaf(s, "Media");
            g.Leaf(s, "Net");
            ::RegCloseKey(s);
            ::RegCloseKey(p);
            continue;
        }
        HKEY v = g.Key(software, g.Pick(kVendors) + " " + std::to_string(vendorNo++));
        const unsigned productCount = 1 + g.Below(6);
        for (unsigned i = 0; i < productCount; ++i) {
            HKEY p = g.Key(v, "Produkt Nr. " + std::to_string(i) + " – Ausgabe " +
                                  std::to_string(2000 + g.Below(26)));
            for (unsigned s = 0, n = 2 + g.Below(12); s < n; ++s)
                g.Leaf(p, "Einstellung " + std::to_string(s) + " ½");
            if (g.Below(8) == 0)
                g.Chain(p, "Verlauf", 15 + static_cast<int>(g.Below(11)));
            ::RegCloseKey(p);
        }
        ::RegCloseKey(v);
    }
    ::RegCloseKey(products);
    ::RegCloseKey(software);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: reggen SIZE | reggen delete\n");
        return 2;
    }
    if (std::string(argv[1]) == "delete") {
        const LSTATUS r = ::RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kBase);
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? 0 : 1;
    }
    const std::size_t size = std::strtoull(argv[1], nullptr, 10);
    HKEY base = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &base,
                          nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "reggen: cannot create HKCU\\%s\n", kBase);
        return 1;
    }
    // An empty key for the roots that the benchmark does not fill.
    HKEY empty = nullptr;
    ::RegCreateKeyExA(base, "Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr);
    ::RegCloseKey(empty);
    Gen g;
    HKEY root = g.Key(base, "Root");
    g.created = 0; // the keys below Root
    if (root) {
        Classes(g, root, size * 6 / 10); // HKEY_CLASSES_ROOT often holds 300k and more
        Software(g, root, size);
        ::RegCloseKey(root);
    }
    ::RegCloseKey(base);
    std::printf("%zu\n", g.created);
    return g.failed ? 1 : 0;
}
