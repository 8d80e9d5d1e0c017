// conversion_harness.cpp: runs the guide conversion into memory under a chosen zone.
#include "conversion_harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "guide_conversion.h"

std::string convertRun(const std::vector<ChannelInput>& channels, std::time_t localMidnight) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* epg = open_memstream(&data, &size);
    if (epg == nullptr) {
        ADD_FAILURE() << "open_memstream failed";
        return {};
    }
    // The run keeps the converter in automatic storage; so does this.
    GuideConverter converter;
    converter.beginRun();
    int ordinal = 0;
    for (const ChannelInput& channel : channels) {
        writeChannelHeader(epg, ++ordinal, channel.name.c_str());
        converter.beginChannel();
        long dayOffset = 0;
        for (const std::string& document : channel.documents) {
            dayOffset += 86400;
            // Exactly as large as the text and its NUL, so that reading
            // past the end shows under AddressSanitizer.
            std::unique_ptr<char[]> text(new char[document.size() + 1]);
            std::memcpy(text.get(), document.data(), document.size());
            text[document.size()] = '\0';
            converter.convertDocument(epg, text.get(), dayOffset, localMidnight);
        }
        writeChannelTrailer(epg);
    }
    std::fclose(epg);
    std::string written(data, size);
    std::free(data);
    return written;
}

std::string convertChannel(const std::string& name, const std::vector<std::string>& documents,
                           std::time_t localMidnight) {
    return convertRun({ChannelInput{name, documents}}, localMidnight);
}
