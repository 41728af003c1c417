#include <app/CProgrammerApp.h>
#include <app/ProgramOptions.h>

int main(int argc, char** argv)
{
    // Before the QApplication, which needs a display.
    if (const int answered = app::AnswerBeforeQtStarts(argc, argv); answered >= 0)
        return answered;
    app::CProgrammerApp program;
    return program.Run(argc, argv);
}
