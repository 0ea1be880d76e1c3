#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    std::puts("vx: the VeDidoredo command-line tool");
    return 0;
}
