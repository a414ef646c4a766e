#pragma once
// The LM-2 controller on USB, through its driver (lm2driver.h): open the
// device, read its byte stream on a reader thread of its own into a ring
// buffer, hand bytes to the GUI thread, write query bytes, close. One
// device per process and one user at a time: a lock file in the temporary
// folder marks it as in use, so a second open, in this process or another,
// fails; a process that dies leaves no lock behind.
//
// Every function is called from the GUI thread. The ring holds 511 bytes;
// when it is full, each new byte takes the place of the newest stored one.

// 1 when the device is open and its reader runs, else 0 (in use, no
// device, or the reader cannot open the device).
int lm2Open();
// Why the last lm2Open returned 0: "in use by another program", "in use in
// this program already", "no LM-2 found" or "the LM-2 cannot be read".
const char *lm2OpenFailure();
// True when received bytes are waiting.
bool lm2HasData();
// The oldest waiting byte; waits for one while the reader runs, 0 when
// nothing can come.
unsigned char lm2ReadByte();
// True when the device is open but its reader has ended: the driver
// failed a read (the controller was unplugged), and no byte will come.
bool lm2Lost();
// Sends the bytes to the controller (nothing when closed).
void lm2Write(int size, const unsigned char *data);
// Sends the closing control pairs, ends the reader (waiting at most a few
// hundred milliseconds) and releases the device. Nothing when not open.
void lm2Close();
