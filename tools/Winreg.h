// The registry tool `winreg` as a function: its command line in, its exit
// code out (0, 1 when the registry refuses, 2 for a wrong command or input
// file), its answers on standard output and its errors on standard error.
#pragma once

int RunWinreg(int argc, char** argv);
