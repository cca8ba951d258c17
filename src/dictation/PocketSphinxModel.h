#pragma once

#include <QString>

// The files of a PocketSphinx model: acoustic model folder, language model
// for free dictation and pronunciation dictionary.
struct PocketSphinxModel
{
    QString acousticModelFolder;
    QString languageModelFile;
    QString dictionaryFile;

    // The US English model Debian installs.
    static PocketSphinxModel debianEnglish();
    // A model folder laid out like Debian's: <folder>/en-us, en-us.lm.bin, cmudict-en-us.dict.
    static PocketSphinxModel inFolder(const QString& folder);

    // Every file the decoder needs is there, readable and not empty. The
    // decoder ends the whole process on a missing file, so this is checked
    // before it is ever loaded.
    bool isComplete() const;
};
