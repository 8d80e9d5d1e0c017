// host_toolkit.h: everything a plug-in uses of the host's widget toolkit.
#pragma once

#include "ebutton.h"
#include "edecowidget.h"
#include "elabel.h"
#include "estring.h"
#include "etextinputfield.h"
#include "ewidget.h"
#include "ewindow.h"
#include "geometry.h"
#include "gpainter.h"
#include "keys.h"
#include "plugin.h"
#include "sigc_compat.h"
#include "widget_event.h"
