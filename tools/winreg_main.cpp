#include "tools/Winreg.h"

int main(int argc, char** argv) { return RunWinreg(argc, argv); }
