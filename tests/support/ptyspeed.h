#pragma once
// The line speed of a terminal as the kernel keeps it, also when it is not
// one of the standard speed codes: Qt sets speeds such as 14400 through
// termios2 (BOTHER), which tcgetattr cannot tell. Kept apart from
// <termios.h>, whose struct clashes with the kernel's.
class PtySpeed
{
public:
    // Output speed in baud; 0 when the descriptor cannot be asked.
    static int output(int fd);
};
