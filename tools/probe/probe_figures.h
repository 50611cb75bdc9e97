// UI figures measured from outside the running program, with real input (SendInput) and
// timestamps taken here, while the program's own thread answers. One "name: value unit" line
// per figure on standard output.
//
//   probe figure start <program> <runs> [uncached]
//                                         process start until the filled list answers, for the
//                                         program and for probe's idle window (Wine's own start);
//                                         uncached: without the sorted indexes kept by the last run
//   probe figure select <runs>            Down key until the rows show the next object
//   probe figure new <runs>               Ctrl+N, typing, Enter until the new object is selected
//   probe figure filter-pick <name> <n>   with the filter drop-down open: its entry n taken with
//                                         the keys until the list is refilled
#pragma once

extern const wchar_t kIdleWindowClass[];

int RunFigure(int argc, wchar_t **argv);
