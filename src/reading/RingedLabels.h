#pragma once

#include "MarkEvidence.h"

#include <QImage>
#include <QStringList>

class PageInk;
class TextRecognizer;

// A ring drawn tight round a label, or a tick just before it, can cost the
// label its reading. Ink no label of `region` claimed is read again on its
// own from `image` (the print inside it, or just after it); ink that reads
// as one of `options` not yet found is credited to it and leaves the
// region's unclaimed ink. `h` is the print height.
void recoverRingedLabels(RegionInk& region, const QStringList& options, const QImage& image,
                         const PageInk& ink, TextRecognizer& recognizer, double h);
