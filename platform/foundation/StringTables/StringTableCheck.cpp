// Build step: refuses a string-table catalog that cannot be read, whose translations take other
// placeholders than their keys, or whose plural entries do not fit its plural rule.
// Usage: stringtable_check CATALOG.po...
#include "platform/foundation/StringTables/POCatalog.hpp"

#include <iostream>

namespace stringtables = platform::foundation::stringtables;

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const auto catalog = stringtables::readPO(argv[i]);
        if (!catalog.error.empty()) {
            std::cerr << argv[i] << ": " << catalog.error << "\n";
            status = 1;
            continue;
        }
        for (const auto& problem : stringtables::pluralFormProblems(catalog)) {
            std::cerr << argv[i] << ": " << problem << "\n";
            status = 1;
        }
        for (const auto& problem : stringtables::placeholderMismatches(catalog)) {
            std::cerr << argv[i] << ": " << problem << "\n";
            status = 1;
        }
    }
    return status;
}
