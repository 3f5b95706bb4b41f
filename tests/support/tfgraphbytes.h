#pragma once
// A tiny TensorFlow graph written byte by byte (protocol-buffer wire format): a placeholder
// followed by one 3 x 3 convolution whose weights expect `channels` input channels. With
// channels = 2 it loads, but every frame (one channel) fails in the network.
#include <cstdint>
#include <string>
#include <vector>

namespace tfgraph {

inline std::string varint(uint64_t v)
{
    std::string out;
    while (v >= 0x80) {
        out += char(uint8_t(v) | 0x80);
        v >>= 7;
    }
    return out + char(v);
}

inline std::string field(int number, const std::string& bytes)
{
    return varint(uint64_t(number) << 3 | 2) + varint(bytes.size()) + bytes;
}

inline std::string number(int fieldNumber, uint64_t v)
{
    return varint(uint64_t(fieldNumber) << 3) + varint(v);
}

inline std::string attr(const std::string& key, const std::string& value)
{
    return field(5, field(1, key) + field(2, value));
}

inline std::string floatTensor(const std::vector<int>& shape, const std::vector<float>& values)
{
    std::string dims;
    for (int n : shape)
        dims += field(2, number(1, uint64_t(n)));
    const std::string content(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
    return number(1, 1) + field(2, dims) + field(4, content);
}

inline std::string convolutionGraph(int channels)
{
    const std::string floatType = attr("dtype", number(6, 1)) + attr("T", number(6, 1));
    std::string graph;
    graph += field(1, field(1, "IteratorGetNext") + field(2, "Placeholder") + attr("dtype", number(6, 1)));
    graph += field(1, field(1, "w") + field(2, "Const") + floatType +
                          attr("value", field(8, floatTensor({3, 3, channels, 1}, std::vector<float>(9 * channels, 0.1f)))));
    std::string strides;
    for (int s : {1, 1, 1, 1})
        strides += varint(uint64_t(s));
    graph += field(1, field(1, "NHWC_output") + field(2, "Conv2D") + field(3, "IteratorGetNext") + field(3, "w") + floatType +
                          attr("strides", field(1, field(3, strides))) + attr("padding", field(2, "SAME")) +
                          attr("data_format", field(2, "NHWC")));
    return graph;
}

} // namespace tfgraph
