// Error: the one exception type of the program. It carries a number and a
// description; handlers compose their messages from the two. UnhandledError
// turns whatever a handler caught into such a pair.
#ifndef VOR_CORE_ERROR_H_
#define VOR_CORE_ERROR_H_

#include <exception>
#include <stdexcept>
#include <string>

namespace vor {

// Error numbers used throughout the program.
namespace errnum {
constexpr long kInvalidCall = 5;               // invalid procedure call
constexpr long kOverflow = 6;                  // arithmetic overflow
constexpr long kOutOfMemory = 7;               // out of memory
constexpr long kTypeMismatch = 13;             // value not convertible
constexpr long kInvalidUseOfNull = 94;         // null where a value is needed
constexpr long kNoCurrentRecord = 3021;        // cursor past the end
constexpr long kFieldNotFound = 3265;          // unknown field name
constexpr long kInvalidOperation = 3219;       // operation not allowed now
constexpr long kBadFilter = 3001;              // malformed filter expression
constexpr long kFileError = 75;                // file or path access error
constexpr long kTextTooLong = -2147217887;     // text too long for its field
constexpr long kDatabase = -2147217900;        // any error of the database
constexpr long kStructureCycle = -2147220992;  // bill of materials cycle
}  // namespace errnum

class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description)
      : std::runtime_error(description),
        number_(number),
        description_(description) {}

  long number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  long number_;
  std::string description_;
};

// The number and description that report `exception` when nothing else
// handled it: an Error as it is, std::bad_alloc as Error 7 "Memória
// insuficiente", any other std::exception as Error 5 with its what() text.
// An exception of any other type is raised again unchanged. `exception`
// must not be null. Every handler of last resort calls this, so that the
// same failure reads the same wherever it is reported.
Error UnhandledError(std::exception_ptr exception);

}  // namespace vor

#endif  // VOR_CORE_ERROR_H_
