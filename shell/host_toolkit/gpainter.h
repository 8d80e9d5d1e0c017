// gpainter.h: the drawing surface widgets paint on.
#pragma once

class gPainter;
