// vantel: the desktop application.

#include <cstdio>
#include <cstring>

#include "app/vantel.h"
#include "buildconfig.h"

int main(int argc, char** argv) {
    // Answered before any window system is needed, so that it works on a console too.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vantel %s\n", VANTEL_VERSION);
        return 0;
    }
    CVantelApp theApp(argc, argv);
    theApp.InitInstance();
    return 0;
}
