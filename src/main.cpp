#include "driver/kovrin_main.hpp"

int main() { return kov::run_program(); }
