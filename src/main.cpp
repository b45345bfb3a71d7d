#include "driver/data_file_loop.hpp"

int main() { return kov::run_program(); }
