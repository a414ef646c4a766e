#include "ptyspeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

int PtySpeed::output(int fd)
{
    struct termios2 t;
    if (fd < 0 || ::ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return int(t.c_ospeed);
}
