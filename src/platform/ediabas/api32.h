#pragma once
/*
 * The C entry points of the EDIABAS runtime library, as the program's binding
 * calls them: every entry point takes the EDIABAS handle first (apiInit and
 * apiInitExt receive the address where the runtime writes it). A real runtime
 * providing the same functions can replace the stand-in library.
 *
 * Buffers handed to the runtime must be at least as large as the limits
 * below: names APIMAXNAME, texts APIMAXTEXT (answers are cut to size - 1
 * characters and zero-terminated), binary values APIMAXBINARY, configuration
 * values APIMAXCONFIG. The text of __apiErrorText is cut to the given size.
 */
#include <stdint.h>

#define APIMAXNAME 256
#define APIMAXTEXT 1024
#define APIMAXBINARY 65536
#define APIMAXCONFIG 256

/* States answered by __apiState. */
#define APIBUSY 0
#define APIREADY 1
#define APIBREAK 2
#define APIERROR 3

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int ApiHandle;

int __apiInit(ApiHandle *handle);
int __apiInitExt(ApiHandle *handle, const char *ifh, const char *unit, const char *app,
                 const char *reserved);
void __apiEnd(ApiHandle handle);
int __apiSwitchDevice(ApiHandle handle, const char *unit, const char *app);

void __apiJob(ApiHandle handle, const char *ecu, const char *job, const char *para,
              const char *result);
void __apiJobData(ApiHandle handle, const char *ecu, const char *job, const unsigned char *para,
                  int paralen, const char *result);
void __apiJobExt(ApiHandle handle, const char *ecu, const char *job,
                 const unsigned char *stdpara, int stdparalen, const unsigned char *para,
                 int paralen, const char *result, long reserved);
/* Progress of the running job in percent; its progress text into infoText
   (APIMAXTEXT). */
int __apiJobInfo(ApiHandle handle, char *infoText);

int __apiResultChar(ApiHandle handle, char *buf, const char *result, unsigned short set);
int __apiResultByte(ApiHandle handle, unsigned char *buf, const char *result, unsigned short set);
int __apiResultInt(ApiHandle handle, short *buf, const char *result, unsigned short set);
int __apiResultWord(ApiHandle handle, unsigned short *buf, const char *result, unsigned short set);
int __apiResultLong(ApiHandle handle, int32_t *buf, const char *result, unsigned short set);
int __apiResultDWord(ApiHandle handle, uint32_t *buf, const char *result, unsigned short set);
int __apiResultReal(ApiHandle handle, double *buf, const char *result, unsigned short set);
int __apiResultText(ApiHandle handle, char *buf, const char *result, unsigned short set,
                    const char *format);
int __apiResultBinary(ApiHandle handle, unsigned char *buf, unsigned short *len,
                      const char *result, unsigned short set);
int __apiResultFormat(ApiHandle handle, int *format, const char *result, unsigned short set);
int __apiResultNumber(ApiHandle handle, unsigned short *count, unsigned short set);
int __apiResultName(ApiHandle handle, char *name, unsigned short index, unsigned short set);
int __apiResultSets(ApiHandle handle, unsigned short *sets);
int __apiResultVar(ApiHandle handle, char *var);
unsigned int __apiResultsNew(ApiHandle handle);
void __apiResultsScope(ApiHandle handle, unsigned int results);
void __apiResultsDelete(ApiHandle handle, unsigned int results);

int __apiState(ApiHandle handle);
void __apiBreak(ApiHandle handle);
int __apiErrorCode(ApiHandle handle);
void __apiErrorText(ApiHandle handle, char *buf, int size);

int __apiSetConfig(ApiHandle handle, const char *name, const char *value);
int __apiGetConfig(ApiHandle handle, const char *name, char *value);

#ifdef __cplusplus
}
#endif
