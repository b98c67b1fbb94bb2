// vantel: the desktop application.

#include "app/vantel.h"

int main(int argc, char** argv) {
    CVantelApp theApp(argc, argv);
    theApp.InitInstance();
    return 0;
}
