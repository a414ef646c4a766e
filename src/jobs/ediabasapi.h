#pragma once
// The program's binding over the EDIABAS runtime library (api32.h): one
// function per entry point, without the handle. The handle, the last known
// state, the two callbacks, the error-reported flag and the error-text buffer
// exist once per process.
//
// These functions do not serialise anything themselves: whoever runs a job
// holds an EdiabasSessionLock from apiJob up to its last apiErrorText, and
// around apiInit and apiEnd.
//
// Buffers: names and texts at least APIMAXTEXT (1024) bytes, binary values
// APIMAXBINARY bytes, configuration values APIMAXCONFIG bytes (api32.h).
#include "api32.h"

using ApiBusyCallback = int (*)();
using ApiErrorCallback = void (*)();

int apiInit();
int apiInitExt(const char *ifh, const char *unit, const char *app, const char *reserved);
void apiEnd();
int apiSwitchDevice(const char *unit, const char *app);

void apiJob(const char *ecu, const char *job, const char *para, const char *result);
void apiJobData(const char *ecu, const char *job, const unsigned char *para, int paralen, const char *result);
void apiJobExt(const char *ecu, const char *job, const unsigned char *stdpara, int stdparalen,
               const unsigned char *para, int paralen, const char *result, long reserved);
int apiJobInfo(char *infoText);

int apiResultChar(char *buf, const char *result, unsigned short set);
int apiResultByte(unsigned char *buf, const char *result, unsigned short set);
int apiResultInt(short *buf, const char *result, unsigned short set);
int apiResultWord(unsigned short *buf, const char *result, unsigned short set);
int apiResultLong(int32_t *buf, const char *result, unsigned short set);
int apiResultDWord(uint32_t *buf, const char *result, unsigned short set);
int apiResultReal(double *buf, const char *result, unsigned short set);
int apiResultText(char *buf, const char *result, unsigned short set, const char *format);
int apiResultBinary(unsigned char *buf, unsigned short *len, const char *result, unsigned short set);
int apiResultFormat(int *format, const char *result, unsigned short set);
int apiResultNumber(unsigned short *count, unsigned short set);
int apiResultName(char *name, unsigned short index, unsigned short set);
int apiResultSets(unsigned short *sets);
int apiResultVar(char *var);
unsigned int apiResultsNew();
void apiResultsScope(unsigned int results);
void apiResultsDelete(unsigned int results);

// Asks the runtime; 0 busy, 1 ready, 2 break, 3 error.
int apiState();
void apiBreak();
int apiErrorCode();
// The runtime's error text in the one shared 256-byte buffer, or null when
// there is none. Read it while still holding the session lock.
const char *apiErrorText();

int apiSetConfig(const char *name, const char *value);
int apiGetConfig(const char *name, char *value);

void apiSetBusyCallback(ApiBusyCallback callback);
void apiSetErrorCallback(ApiErrorCallback callback);

// The last known state (1 before any call), without asking the runtime.
int apiStateWord();
