// Test helper for Windows: holds a file open for writing, as a program that is
// still saving it would, while another program runs.
//
//   hold_open_and_run FILE PROGRAM [ARGUMENTS...]
//
// Exits with the program's exit status, or 125 when the file cannot be held.
#include <process.h>
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: hold_open_and_run FILE PROGRAM [ARGUMENTS...]\n");
    return 125;
  }
  const HANDLE held = CreateFileA(argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "hold_open_and_run: cannot open %s for writing\n", argv[1]);
    return 125;
  }
  const intptr_t status = _spawnv(_P_WAIT, argv[2], argv + 2);
  CloseHandle(held);
  return status < 0 ? 125 : static_cast<int>(status);
}
