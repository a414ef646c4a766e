#include "ediabasapi.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<unsigned int> handle{0};
std::atomic<int> stateWord{1};
std::atomic<ApiBusyCallback> busyCallback{nullptr};
std::atomic<ApiErrorCallback> errorCallback{nullptr};
std::atomic<int> errorReported{0};
char errorText[256];

// Tells the error callback, once per job, that the runtime holds an error.
int apiCheckError(int result)
{
    if (result == 0 && __apiErrorCode(handle) != 0 && !errorReported) {
        const ApiErrorCallback cb = errorCallback;
        if (cb) {
            cb();
            errorReported = 1;
        }
    }
    return result;
}

void beforeInit()
{
    busyCallback = nullptr;
    errorCallback = nullptr;
    errorReported = 0;
    stateWord = 1;
}

void afterJob()
{
    stateWord = 0;
    if (busyCallback.load())
        apiState();
    apiCheckError(0);
}

} // namespace

int apiInit()
{
    beforeInit();
    unsigned int h = 0;
    const int ok = __apiInit(&h);
    handle = h;
    return apiCheckError(ok);
}

int apiInitExt(const char *ifh, const char *unit, const char *app, const char *reserved)
{
    beforeInit();
    unsigned int h = 0;
    const int ok = __apiInitExt(&h, ifh, unit, app, reserved);
    handle = h;
    return apiCheckError(ok);
}

void apiEnd()
{
    if (apiState() == 0) {
        apiBreak();
        apiCheckError(0);
    }
    __apiEnd(handle);
}

int apiSwitchDevice(const char *unit, const char *app)
{
    return apiCheckError(__apiSwitchDevice(handle, unit, app));
}

void apiJob(const char *ecu, const char *job, const char *para, const char *result)
{
    errorReported = 0;
    __apiJob(handle, ecu, job, para, result);
    afterJob();
}

void apiJobData(const char *ecu, const char *job, const unsigned char *para, int paralen, const char *result)
{
    errorReported = 0;
    __apiJobData(handle, ecu, job, para, paralen, result);
    afterJob();
}

void apiJobExt(const char *ecu, const char *job, const unsigned char *stdpara, int stdparalen,
               const unsigned char *para, int paralen, const char *result, long reserved)
{
    errorReported = 0;
    __apiJobExt(handle, ecu, job, stdpara, stdparalen, para, paralen, result, reserved);
    afterJob();
}

int apiJobInfo(char *infoText)
{
    const int r = __apiJobInfo(handle, infoText);
    apiCheckError(0);
    return r;
}

int apiResultChar(char *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultChar(handle, buf, result, set));
}

int apiResultByte(unsigned char *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultByte(handle, buf, result, set));
}

int apiResultInt(short *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultInt(handle, buf, result, set));
}

int apiResultWord(unsigned short *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultWord(handle, buf, result, set));
}

int apiResultLong(int32_t *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultLong(handle, buf, result, set));
}

int apiResultDWord(uint32_t *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultDWord(handle, buf, result, set));
}

int apiResultReal(double *buf, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultReal(handle, buf, result, set));
}

int apiResultText(char *buf, const char *result, unsigned short set, const char *format)
{
    return apiCheckError(__apiResultText(handle, buf, result, set, format));
}

int apiResultBinary(unsigned char *buf, unsigned short *len, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultBinary(handle, buf, len, result, set));
}

int apiResultFormat(int *format, const char *result, unsigned short set)
{
    return apiCheckError(__apiResultFormat(handle, format, result, set));
}

int apiResultNumber(unsigned short *count, unsigned short set)
{
    return apiCheckError(__apiResultNumber(handle, count, set));
}

int apiResultName(char *name, unsigned short index, unsigned short set)
{
    return apiCheckError(__apiResultName(handle, name, index, set));
}

int apiResultSets(unsigned short *sets)
{
    return apiCheckError(__apiResultSets(handle, sets));
}

int apiResultVar(char *var)
{
    return apiCheckError(__apiResultVar(handle, var));
}

unsigned int apiResultsNew()
{
    const unsigned int results = __apiResultsNew(handle);
    apiCheckError(0);
    return results;
}

void apiResultsScope(unsigned int results)
{
    __apiResultsScope(handle, results);
    apiCheckError(0);
}

void apiResultsDelete(unsigned int results)
{
    __apiResultsDelete(handle, results);
    apiCheckError(0);
}

int apiState()
{
    stateWord = __apiState(handle);
    if (stateWord == 1)
        return 1;
    const ApiBusyCallback cb = busyCallback;
    if (stateWord == 0 && cb && cb() != 0)
        apiBreak();
    apiCheckError(0);
    return stateWord;
}

void apiBreak()
{
    __apiBreak(handle);
    stateWord = 2;
    apiCheckError(0);
}

int apiErrorCode()
{
    return __apiErrorCode(handle);
}

const char *apiErrorText()
{
    std::memset(errorText, 0, sizeof errorText);
    __apiErrorText(handle, errorText, int(sizeof errorText));
    return errorText[0] ? errorText : nullptr;
}

int apiSetConfig(const char *name, const char *value)
{
    return __apiSetConfig(handle, name, value);
}

int apiGetConfig(const char *name, char *value)
{
    return __apiGetConfig(handle, name, value);
}

void apiSetBusyCallback(ApiBusyCallback callback)
{
    busyCallback = callback;
}

void apiSetErrorCallback(ApiErrorCallback callback)
{
    errorCallback = callback;
}

int apiStateWord()
{
    return stateWord;
}
