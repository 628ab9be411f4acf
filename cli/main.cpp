#include "cli/Command.hpp"

int main(int argc, char** argv) { return tallyfox::cli::run(argc, argv); }
