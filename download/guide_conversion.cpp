// guide_conversion.cpp: placeholder until the conversion lands.
#include "guide_conversion.h"

long LocalTime2UTC(long t) { return t; }
void GuideConverter::beginRun() {}
void GuideConverter::beginChannel(std::FILE*, int, const char*) {}
void GuideConverter::convertDocument(std::FILE*, const char*, long, time_t) {}
void GuideConverter::endChannel(std::FILE*) {}
