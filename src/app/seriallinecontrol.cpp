#include "seriallinecontrol.h"

SerialLineControl::~SerialLineControl() = default;
