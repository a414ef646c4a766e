#pragma once
// Answers jobs without a car: canned and random results chosen by the job's
// ECU name and job name, for the "simulation" start word.
#include "cjobresult.h"

#include <QObject>
#include <random>
#include <string>

class CJob;
class TranslationMgr;

class EdiabasJobSimulation : public QObject
{
    Q_OBJECT
public:
    enum { RandMax = 32767 };

    // Seeds the generator with the current time in seconds.
    explicit EdiabasJobSimulation(QObject *parent = nullptr);

    // Stamps the job with the current time and appends the results of its
    // ECU row and of its job row, then translates the result names.
    void getJob(CJob &job);

    // A "real" result of rand * high / 32767 (low is not used).
    CJobResult randomResult(std::string name, double low, double high);

    // Restarts the random sequence, so that a run can be repeated.
    void seed(quint32 value);
    // One draw from 0 to 32767.
    int rand();

    int callCount = 0;

private:
    TranslationMgr *translator;
    std::minstd_rand generator;
};
