#include "BuiltInTemplate.h"

namespace {
SurveyTemplateField field(qint64 number, const char* prompt, SurveyDetectionMode mode,
                          std::initializer_list<const char*> options)
{
    QStringList labels;
    for (const char* option : options)
        labels.append(QString::fromUtf8(option));
    return {number, QString::fromUtf8(prompt), mode, labels.join(QLatin1Char('\n'))};
}
} // namespace

const QList<SurveyTemplateField>& krdaTemplateFields()
{
    using M = SurveyDetectionMode;
    static const QList<SurveyTemplateField> fields{
        field(1, "I am:", M::singleChoice, {"Male", "Female", "Prefer not to answer"}),
        field(2, "My current Grade Level is (circle one):", M::singleChoice,
              {"5th", "6th", "7th", "8th", "9th", "10th", "11th", "12th"}),
        field(3, "I decided to do a project this year because (check all that apply)",
              M::multipleChoice, {"I wanted", "It was required", "Other"}),
        field(4, "Which school district do you attend? (Circle one)", M::singleChoice,
              {"Alpine", "Jordan", "Nebo", "Provo", "Wasatch", "Charter", "Home/Private"}),
        field(5, "Is this the first time you've been to KRDA?", M::singleChoice, {"Yes", "No"}),
        field(6, "Are you interested in doing a project again next year?", M::singleChoice,
              {"Yes", "No", "Maybe"}),
        field(7, "How did you come up with the idea for your project?", M::singleChoice,
              {"Help from my parent/guardian", "Help from a teacher",
               "Personal interest or curiosity", "Online research or online video",
               "Previous field trips, and science activities/interest in science/engineering",
               "Other"}),
        field(8, "Are you interested in a future career related to STEM?", M::singleChoice,
              {"Yes, in Science", "Yes, in Technology", "Yes, in Engineering", "Yes, in Math",
               "No, I plan to pursue a career in"}),
        field(9, "Did participating in STEM Fair affect your interest in a STEM future?",
              M::singleChoice, {"A LOT", "SOME", "In the middle", "A little", "Not at All"}),
        field(10, "What is your favorite thing about science, math and/or engineering?",
              M::written, {}),
        field(11, "What skills do you think improved by doing a project? (check all that apply)",
              M::multipleChoice,
              {"Problem solving", "Critical Thinking", "Research Ability", "Writing", "Learning",
               "Presenting", "Teamwork", "Communication", "Time Management", "None"}),
        field(12, "Did you feel you had enough support to complete your project?",
              M::singleChoice,
              {"I had LOTS of support", "I had SOME support", "I had a LITTLE support",
               "I didn't have any support"}),
        field(13, "What was the hardest part of completing a project?", M::written, {}),
        field(14, "Any suggestions for us?", M::written, {}),
    };
    return fields;
}
