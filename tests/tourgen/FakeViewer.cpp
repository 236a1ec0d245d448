// Stands in for the tour viewer: a real program the generator can copy and start. When
// run it leaves "<its own path>.ran" behind.

#include <fstream>
#include <string>

int main(int, char** argv) {
    std::ofstream(std::string(argv[0]) + ".ran") << "ran\n";
    return 0;
}
