#include <app/CProgrammerApp.h>

int main(int argc, char** argv)
{
    app::CProgrammerApp program;
    return program.Run(argc, argv);
}
