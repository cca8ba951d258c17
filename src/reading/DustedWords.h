#pragma once

#include "ReadingTypes.h"

#include <QList>

class PageInk;

// Recognition can stretch a word's box over a speck of dust above or below
// it: such boxes are cut back to the print's rows, and their lines' boxes
// with them. `printHeight` is the height of ordinary lettering in pixels.
void trimToPrint(QList<RecognizedTextBlock>& blocks, const PageInk& ink, double printHeight);
