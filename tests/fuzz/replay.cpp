// Runs a fuzz target over the inputs kept in its corpus (files, or folders
// of them), as the suite does: what once failed goes on being tried.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

int replay(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        fprintf(stderr, "%s: not found\n", path.c_str());
        return 1;
    }
    if (S_ISDIR(info.st_mode)) {
        int count = 0;
        DIR *dir = opendir(path.c_str());
        if (!dir)
            return -1;
        while (dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                count += replay(path + "/" + entry->d_name);
        }
        closedir(dir);
        return count;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), {});
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    int count = 0;
    for (int i = 1; i < argc; i++)
        count += replay(argv[i]);
    printf("%d inputs, every one held\n", count);
    return count > 0 ? 0 : 1;
}
