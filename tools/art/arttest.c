/* Artwork check program (not built by CMake): shows every picture of res/
   the way the installer uses it and plays the find-folder animation in two
   Animation controls, one opened from the .avi file, one from the resource.
   Prints what the loaders and the controls report; exits 1 on any failure.

   x86_64-w64-mingw32-windres -I../../src/app arttest.rc -o arttest_rc.o
   x86_64-w64-mingw32-gcc -O2 arttest.c arttest_rc.o -o arttest.exe -lcomctl32 -lmsimg32 -lgdi32
   wine arttest.exe ../../res/findfolder.avi [seconds]                        */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "resource.h"

static HBITMAP g_bmp[16];
static HICON g_icon32, g_icon16;
static int g_failures;
static const int kDriveIds[] = {IDB_DRIVE_FLOPPY, IDB_DRIVE_FIXED, IDB_DRIVE_NETWORK,
                                IDB_DRIVE_CDROM, IDB_DRIVE_RAM};

static void check(int ok, const char* what) {
    printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++g_failures;
}

static HBITMAP load_bitmap(int id, int w, int h, int bpp) {
    char what[96];
    HBITMAP b = (HBITMAP)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0,
                                    0, LR_CREATEDIBSECTION);
    DIBSECTION ds;
    int got = b && GetObjectA(b, sizeof ds, &ds) == sizeof ds;
    snprintf(what, sizeof what, "bitmap %d is %dx%d, %d bpp (got %ldx%ld, %d bpp)", id, w, h, bpp,
             got ? ds.dsBm.bmWidth : 0L, got ? ds.dsBm.bmHeight : 0L,
             got ? ds.dsBm.bmBitsPixel : 0);
    check(got && ds.dsBm.bmWidth == w && ds.dsBm.bmHeight == h && ds.dsBm.bmBitsPixel == bpp, what);
    return b;
}

/* Draws a picture with one colour transparent, as the buttons and the drive
   list do. */
static void draw_transparent(HDC dc, HBITMAP b, int x, int y, int from_bottom_left) {
    BITMAP bm;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old;
    COLORREF key;
    GetObjectA(b, sizeof bm, &bm);
    old = SelectObject(mem, b);
    key = from_bottom_left ? GetPixel(mem, 0, bm.bmHeight - 1) : RGB(255, 255, 255);
    TransparentBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, bm.bmWidth, bm.bmHeight, key);
    SelectObject(mem, old);
    DeleteDC(mem);
}

static void paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, g_bmp[0]);
    RECT strip = {0, 453, 632, 520};
    int i;
    BitBlt(dc, 0, 0, 632, 453, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);

    /* icon where the welcome page shows it: page area (108,111) + (25,20) */
    DrawIconEx(dc, 108 + 25, 111 + 20, g_icon32, 32, 32, 0, NULL, DI_NORMAL);
    DrawIconEx(dc, 108 + 70, 111 + 28, g_icon16, 16, 16, 0, NULL, DI_NORMAL);
    /* the arrow glyphs inside the Back and Next button rectangles */
    draw_transparent(dc, g_bmp[1], 237 + 10, 345 + 7, 0);
    draw_transparent(dc, g_bmp[2], 329 + 65, 345 + 7, 0);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 237 + 32, 345 + 8,
             "Zur\xfc"
             "ck",
             6);
    TextOutA(dc, 329 + 20, 345 + 8, "Weiter", 6);
    /* the drive pictures on a white list and on a selected (navy) item */
    FillRect(dc, &strip, (HBRUSH)GetStockObject(WHITE_BRUSH));
    for (i = 0; i < 5; ++i) {
        RECT sel = {300 + i * 24, 470, 300 + i * 24 + 20, 487};
        HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
        FillRect(dc, &sel, navy);
        DeleteObject(navy);
        draw_transparent(dc, g_bmp[3 + i], 20 + i * 24, 472, 1);
        draw_transparent(dc, g_bmp[3 + i], 302 + i * 24, 472, 1);
    }
    EndPaint(hwnd, &ps);
}

static LRESULT CALLBACK wndproc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_TIMER:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(int argc, char** argv) {
    const char* avi = argc > 1 ? argv[1] : "findfolder.avi";
    int seconds = argc > 2 ? atoi(argv[2]) : 8;
    HINSTANCE inst = GetModuleHandleA(NULL);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_ANIMATE_CLASS};
    WNDCLASSA wc = {0};
    RECT rc = {0, 0, 632, 520};
    HWND hwnd, ani_file, ani_res;
    MSG m;
    int i;

    InitCommonControlsEx(&icc);
    g_icon32 = (HICON)LoadImageA(inst, MAKEINTRESOURCEA(IDI_KELVAR), IMAGE_ICON, 32, 32, 0);
    g_icon16 = (HICON)LoadImageA(inst, MAKEINTRESOURCEA(IDI_KELVAR), IMAGE_ICON, 16, 16, 0);
    check(g_icon32 != NULL && g_icon16 != NULL, "icon loads at 32x32 and 16x16");
    g_bmp[0] = load_bitmap(IDB_BACKGROUND, 632, 453, 8);
    g_bmp[1] = load_bitmap(IDB_ARROW_LEFT, 16, 16, 4);
    g_bmp[2] = load_bitmap(IDB_ARROW_RIGHT, 16, 16, 4);
    for (i = 0; i < 5; ++i)
        g_bmp[3 + i] = load_bitmap(kDriveIds[i], 16, 13, 4);

    wc.lpfnWndProc = wndproc;
    wc.hInstance = inst;
    wc.hIcon = g_icon32;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = "ArtTest";
    RegisterClassA(&wc);
    AdjustWindowRect(&rc, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE);
    hwnd = CreateWindowA("ArtTest", "KELvar 5.0 - Setup (f\xfcr Windows NT/2000)",
                         WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 0,
                         0, rc.right - rc.left, rc.bottom - rc.top, NULL, NULL, inst, NULL);
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, (LPARAM)g_icon16);

    /* where the progress page puts Ani1: page area (108,111) + inner area
       (15,80) + (25,55), and a second one beside it from the resource */
    ani_file = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE, 108 + 15 + 25,
                               111 + 80 + 55, 80, 50, hwnd, (HMENU)1, inst, NULL);
    ani_res = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT, 300,
                              246, 80, 50, hwnd, (HMENU)2, inst, NULL);
    check(SendMessageA(ani_file, ACM_OPENA, 0, (LPARAM)avi) != 0,
          "Animate_Open from the .avi file");
    check(SendMessageA(ani_res, ACM_OPENA, (WPARAM)inst,
                       (LPARAM)MAKEINTRESOURCEA(IDR_FINDFOLDER_AVI)) != 0,
          "Animate_OpenEx from the AVI resource");
    /* the progress page stops the control on frame 29, so it must exist */
    check(SendMessageA(ani_file, ACM_PLAY, 1, MAKELONG(29, 29)) != 0, "play frame 29 alone");
    check(SendMessageA(ani_file, ACM_PLAY, (WPARAM)-1, MAKELONG(0, 0xFFFF)) != 0,
          "play all frames, repeated");
    check(SendMessageA(ani_res, ACM_PLAY, (WPARAM)-1, MAKELONG(0, 0xFFFF)) != 0,
          "play resource, repeated");
    fflush(stdout);

    SetTimer(hwnd, 1, seconds * 1000, NULL);
    while (GetMessageA(&m, NULL, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    printf("%d failure(s)\n", g_failures);
    return g_failures ? 1 : 0;
}
