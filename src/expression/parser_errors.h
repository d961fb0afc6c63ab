// Errors of compiling an expression text and of naming a variable.
#pragma once

#include <stdexcept>
#include <string>

namespace binodal {

class EMathParserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A blank inside the trimmed text.
class EExpressionHasBlanks : public EMathParserError {
 public:
  EExpressionHasBlanks() : EMathParserError("Expression has blanks") {}
};

// The counts of "(" and ")" differ.
class EMissMatchingBracket : public EMathParserError {
 public:
  EMissMatchingBracket() : EMathParserError("Missing brackets in expression") {}
};

// An operation would sit deeper than the twentieth level.
class ETooManyNestings : public EMathParserError {
 public:
  ETooManyNestings() : EMathParserError("Expression contains too many nestings") {}
};

// A fifty-first operation on one level.
class EExpressionTooComplex : public EMathParserError {
 public:
  EExpressionTooComplex() : EMathParserError("Expression is too complex") {}
};

// A text that fits no form of the language. The message names the text, or
// the two pieces of the last split tried, separated by carriage returns.
class ESyntaxError : public EMathParserError {
 public:
  using EMathParserError::EMathParserError;
};

// An inconsistency of the compiler itself.
class EParserInternalError : public EMathParserError {
 public:
  EParserInternalError() : EMathParserError("TParser internal error") {}
};

// An invalid variable name; the message is the upper-cased name.
class EBadName : public EMathParserError {
 public:
  using EMathParserError::EMathParserError;
};

}  // namespace binodal
