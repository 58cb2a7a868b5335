#include <cstdio>
#include <cstdlib>

int main(int, char** argv)
{
    std::printf("%d", std::atoi(argv[1]) / 2);
}
