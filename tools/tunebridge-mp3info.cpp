// Prints what the MP3 analysis makes of one file, one "name=value" line per
// field in record order, the values as raw bytes.
//   tunebridge-mp3info FILE
#include "library/Mp3Info.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintFields(const tb::Mp3Info& info) {
    for (int i = 0; i < tb::Mp3Info::FieldCount; ++i) {
        tb::String value = info.Field(i);
        fputs(tb::Mp3Info::FieldName(i), stdout);
        fputc('=', stdout);
        fwrite(value.c_str(), 1, static_cast<size_t>(value.Length()), stdout);
        fputc('\n', stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: tunebridge-mp3info FILE\n", stderr);
        return 2;
    }
    try {
        PrintFields(tb::Mp3Info(tb::String(argv[1])));
    } catch (const tb::Mp3FileException& e) {
        fprintf(stderr, "tunebridge-mp3info: cannot open %s: %s\n", argv[1], strerror(e.Value()));
        return 1;
    }
    return fflush(stdout) == 0 ? 0 : 1;
}
