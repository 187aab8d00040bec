#ifndef KELCONV_OUTPUT_H
#define KELCONV_OUTPUT_H

#include <cstddef>
#include <stdexcept>
#include <string>

namespace kelconv {

// Writing the result failed; nothing more can be converted.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Standard output, or a file created or truncated for the result.
class Output {
public:
    // An empty path is standard output. Throws OutputError.
    explicit Output(const std::string& path);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output();

    // Throw OutputError.
    void write(const unsigned char* data, std::size_t size);
    void write(const std::string& text);
    void close();

private:
    [[noreturn]] void fail(const char* what) const;

    int m_fd;
    bool m_owned;
    std::string m_name;
};

} // namespace kelconv

#endif
