#pragma once
// The LM-2 USB driver's entry points, as the program reaches the device:
// open a device by name, device control with a code and an input and an
// output buffer, close. The shape of the platform's device calls (open a
// device file, device I/O control, close its handle), as plain C.
//
// Devices: "\\.\IMSLM2-0" (the LM-2). Control codes:
//   0x22203D, 0x222035  input: a 32-bit channel index; sent in pairs for
//                       indices 0 to 3 at open and at close
//   0x22204E            input: the 32-bit value 2; output: up to outSize
//                       received bytes, their count in *returned; returns
//                       within 100 ms, with no bytes if none came
//   0x222051            input: the 32-bit value 3; the bytes of the output
//                       buffer (outSize of them) go to the device
// Handles may be used from any thread; one handle's control calls come
// from one thread at a time.
//
// This stand-in serves "\\.\IMSLM2-0" from the "lm2" part of the script
// (README.md): a scripted chain, or a character device passed through.
// Without one no device opens.
#ifdef __cplusplus
extern "C" {
#endif

enum {
    LM2_CTL_OPEN_A = 0x22203D,
    LM2_CTL_OPEN_B = 0x222035,
    LM2_CTL_READ = 0x22204E,
    LM2_CTL_WRITE = 0x222051,
};

// A handle (>= 1), or -1 when the device does not open.
int lm2drvOpen(const char *deviceName);
// Nonzero when the device did what the code asks.
int lm2drvControl(int handle, unsigned long code, const void *in, unsigned long inSize, void *out,
                  unsigned long outSize, unsigned long *returned);
// 0 when the handle was open.
int lm2drvClose(int handle);

#ifdef __cplusplus
}
#endif
