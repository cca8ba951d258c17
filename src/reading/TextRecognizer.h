#pragma once

#include "ReadingTypes.h"

#include <QImage>
#include <memory>

// Text lines of an image through Tesseract's English model.
//
// A Tesseract instance is costly to start and must stay on one thread, so
// each thread keeps its own (forThisThread) for its whole life. Tesseract
// parallelises with OpenMP; parallel page workers would fight over the cores,
// so every thread that recognises text first limits its OpenMP teams to one
// thread (the same effect as OMP_THREAD_LIMIT=1, which libgomp reads only
// when it loads, before any code of ours runs).
class TextRecognizer
{
public:
    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    // The calling thread's instance, made on first use.
    static TextRecognizer& forThisThread();

    // False when the English model could not be loaded.
    bool isReady() const;

    // The image's text lines in Tesseract's order: text without the line
    // break, confidence 0...1, pixel box. Empty on any failure.
    QList<RecognizedTextBlock> recognizeText(const QImage& image);

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
};

// The folder of the English model.
QString tessdataPath();
