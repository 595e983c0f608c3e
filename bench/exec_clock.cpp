// nuvo_exec_clock FILE PROGRAM [ARGUMENTS...]
// Writes the monotonic clock in microseconds to FILE, then becomes PROGRAM: the moment of
// exec for the start-up figure of bench/run, on the clock the frame log uses.
#include <time.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::FILE* file = std::fopen(argv[1], "w");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    std::fprintf(file, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fclose(file);
    execv(argv[2], argv + 2);
    std::perror(argv[2]);
    return 127;
}
