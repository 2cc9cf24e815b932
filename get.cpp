#include <windows.h>
#include <stdio.h>
int main() { printf("window colour %lx\n", GetSysColor(COLOR_WINDOW)); return 0; }
