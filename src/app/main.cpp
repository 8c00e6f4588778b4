#include "app/Application.h"

int main(int argc, char **argv)
{
    return vorlix::runProgram(argc, argv);
}
