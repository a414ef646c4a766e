#pragma once
// One table of an ECU description file as tab-separated text: the first line
// holds the column names, every line ends with LF. Owned by whoever asked
// PRGFileReader::readTable for it.
#include <QString>

class PRGTable
{
public:
    int rows = 0;    // data rows, the header row not counted
    int columns = 0;
    QString tableName;
    QString text;
    QString fileName; // the description file as asked for, without the folder
};
