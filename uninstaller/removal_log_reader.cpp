#include "removal_log_reader.h"

#include <cstdio>

static const std::string tree_line_start = "File Tree: ";
static const std::string tree_line_end = "\\*.*";

std::vector<std::string> file_trees_in_log(const char* log_path, bool* readable) {
    std::vector<std::string> trees;
    std::FILE* log = std::fopen(log_path, "rb");
    *readable = log != nullptr;
    if (log == nullptr)
        return trees;
    std::string line;
    for (int c = std::fgetc(log);; c = std::fgetc(log)) {
        if (c != EOF && c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= tree_line_start.size() + tree_line_end.size() &&
            line.compare(0, tree_line_start.size(), tree_line_start) == 0 &&
            line.compare(line.size() - tree_line_end.size(), tree_line_end.size(), tree_line_end) ==
                0)
            trees.push_back(
                line.substr(tree_line_start.size(),
                            line.size() - tree_line_start.size() - tree_line_end.size()));
        line.clear();
        if (c == EOF)
            break;
    }
    std::fclose(log);
    return trees;
}
