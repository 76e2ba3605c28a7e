// The stand-in for the product's other programs in the demo package: one
// program, installed under several names, that says which one it is.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : 0);
    name.erase(0, name.find_last_of('\\') + 1);
    if (name.empty())
        name = "KELvar 5.0";
    const std::string text = name + "\n\nDieses Programm ist im Demo-Paket von KELvar 5.0 nur ein "
                                    "Platzhalter.\nStarten Sie KELvar 5.0 über Launch.exe.";
    ::MessageBoxA(nullptr, text.c_str(), name.c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}
