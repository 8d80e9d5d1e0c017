// toolkit.cpp: placeholder until the toolkit lands.
#include "host_toolkit.h"
