// wwprobe: starts a Windows program, waits for its first window, prints what
// it shows, answers it with its default button (or closes it) and waits for
// the program to end. Used by the demo and by scripts to check a program
// starts as a person would see it.
#include "tests/support/win32_driver.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wwprobe PROGRAM [ARGS...]\n");
        return 2;
    }
    ww::test::ChildProcess child;
    std::vector<std::string> args(argv + 2, argv + argc);
    if (!child.Start(argv[1], args)) {
        std::fprintf(stderr, "wwprobe: cannot start %s\n", argv[1]);
        return 2;
    }
    HWND w = ww::test::WaitForWindow(child.pid(), "", 30000);
    if (!w) {
        DWORD code = 0;
        if (child.Wait(0, &code)) {
            std::printf("ended without a window, exit status %lu\n",
                        static_cast<unsigned long>(code));
            return 0;
        }
        std::fprintf(stderr, "wwprobe: no window within 30 seconds\n");
        child.Kill();
        return 1;
    }
    if (ww::test::IsMessageBox(w)) {
        std::printf("message box \"%s\": %s\n", ww::test::WindowText(w).c_str(),
                    ww::test::MessageBoxText(w).c_str());
        ww::test::PressButton(w, IDOK);
    } else {
        std::printf("window \"%s\"\n", ww::test::WindowText(w).c_str());
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    }
    // A program that asks before it ends (the builder's exit question) is
    // answered Yes.
    for (DWORD waited = 0; !child.Wait(200); waited += 200) {
        if (waited >= 15000) {
            std::fprintf(stderr, "wwprobe: the program did not end\n");
            child.Kill();
            return 1;
        }
        for (const ww::test::WindowInfo& info : ww::test::TopWindowsOf(child.pid())) {
            if (ww::test::IsMessageBox(info.hwnd)) {
                std::printf("message box \"%s\": %s\n", info.title.c_str(),
                            ww::test::MessageBoxText(info.hwnd).c_str());
                ww::test::PressButton(info.hwnd, IDYES);
            }
        }
    }
    return 0;
}
