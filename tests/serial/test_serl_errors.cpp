// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "serial/SerlErrorText.h"
#include "serial/SerlErrors.h"
#include "serial/SerlExceptions.h"
#include "serial/SerlSystemText.h"

namespace canalarm::serl {
namespace {

bool HasControlCharacter(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 32) return true;
  }
  return false;
}

// ---- Text table and lookup -------------------------------------------------

TEST(SerlErrorTextTable, SortedByUniqueMagnitudeWithShortTexts) {
  const auto table = ErrorTextTable();
  ASSERT_FALSE(table.empty());
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_FALSE(table[i].text.empty()) << table[i].code;
    EXPECT_LE(table[i].text.size(), kMaxErrorTextLength) << table[i].code;
    if (i > 0) {
      EXPECT_LT(CodeMagnitude(table[i - 1].code), CodeMagnitude(table[i].code)) << i;
    }
  }
}

TEST(SerlErrorTextTable, CarriesEveryGroupTheLayerRaises) {
  std::vector<int> expected = {0,    -2,   -3,   -4,   -5,   -6,   -8,   -15,  -18,  -100,
                               -101, -102, -103, -104, -105, -150, -151, -152, -153, -154,
                               -155, -156, -157, -158, -159, -160, -161, -162};
  for (int c = -1001; c >= -1009; --c) expected.push_back(c);
  for (int c = -2001; c >= -2012; --c) expected.push_back(c);
  for (int c = -3001; c >= -3010; --c) expected.push_back(c);
  for (const int code : expected) {
    const ErrorTextRow* row = FindErrorText(CodeMagnitude(code));
    ASSERT_NE(row, nullptr) << code;
    EXPECT_EQ(row->code, code);
  }
}

TEST(SerlErrorTextTable, SearchFindsEveryRowAndNothingElse) {
  const auto table = ErrorTextTable();
  std::set<std::uint32_t> present;
  for (const auto& row : table) {
    present.insert(CodeMagnitude(row.code));
    EXPECT_EQ(FindErrorText(CodeMagnitude(row.code)), &row) << row.code;
  }
  for (std::uint32_t m = 0; m <= 4000; ++m) {
    if (!present.count(m)) {
      EXPECT_EQ(FindErrorText(m), nullptr) << m;
    }
  }
  for (const std::uint32_t m : {4001u, 13801u, 0x20000005u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindErrorText(m), nullptr) << m;
  }
}

TEST(SerlErrorTextTable, SearchMiddleRoundsHalvesToEven) {
  struct Case {
    int low, high, middle;
  };
  for (const Case c : {Case{0, 0, 0}, Case{0, 1, 0}, Case{1, 2, 2}, Case{2, 3, 2}, Case{3, 4, 4},
                       Case{1, 4, 2}, Case{0, 4, 2}, Case{5, 7, 6}, Case{0, 891, 446},
                       Case{446, 891, 668}}) {
    EXPECT_EQ(TableSearchMiddle(c.low, c.high), c.middle) << c.low << ".." << c.high;
  }
}

TEST(SerlErrorMessage, TableTextsByMagnitude) {
  struct Case {
    int code;
    const char* text;
  };
  for (const Case c : {Case{0, "OK"}, Case{-3007, "Buffer is empty"}, Case{3007, "Buffer is empty"},
                       Case{-2008, "ie_Open - device already open"},
                       Case{-2011, "The ComNumber property of the TSerlComPort has not been set"},
                       Case{-1001, "Bad handle passed to com function"},
                       Case{-162, "General failure"}, Case{-2, "File not found"}}) {
    EXPECT_EQ(ErrorMessage(c.code), c.text) << c.code;
  }
}

// POSIX has no system message table: the texts are ours, with advice for a
// serial port. Windows has its own texts (worded differently under Wine).
#ifdef _WIN32
constexpr bool kOwnSystemTexts = false;
#else
constexpr bool kOwnSystemTexts = true;
#endif

TEST(SerlErrorMessage, FallsBackToCleanedSystemText) {
  const std::string raw = SystemErrorText(sysInvalidParameter);
  ASSERT_FALSE(raw.empty());
  EXPECT_EQ(ErrorMessage(-sysInvalidParameter), CleanSystemText(raw));

  const std::string denied = ErrorMessage(-sysPermissionDenied);
  EXPECT_NE(denied.find("ermission denied"), std::string::npos) << denied;
  if (kOwnSystemTexts) {
    EXPECT_NE(denied.find("dialout"), std::string::npos) << denied;
  }

  EXPECT_EQ(ErrorMessage(INT_MIN), "");  // no row, no system text, and no overflow
}

TEST(SerlErrorMessage, SystemTextsForBackEndErrorsAreUsable) {
  for (const int number : {sysInvalidFunction, sysFileNotFound, sysPathNotFound, sysAccessDenied,
                           sysInvalidHandle, sysGenFailure, sysInvalidParameter,
                           sysOperationAborted, sysIoDevice, sysDeviceNotConnected,
                           sysPermissionDenied}) {
    const std::string text = SystemErrorText(static_cast<std::uint32_t>(number));
    EXPECT_FALSE(text.empty()) << number;
    EXPECT_LE(text.size(), kMaxErrorTextLength) << number;
  }
  if (kOwnSystemTexts) {
    EXPECT_NE(SystemErrorText(sysAccessDenied).find("another program"), std::string::npos);
  }
}

TEST(SerlErrorMessage, CleaningMakesOneLine) {
  struct Case {
    std::string raw, clean;
  };
  for (const Case& c : {Case{"The parameter is incorrect.\r\n", "The parameter is incorrect. "},
                        Case{"a\t\tb", "a b"}, Case{"a  \n  b", "a b"}, Case{"\x01\x1f", " "},
                        Case{"   ", " "}, Case{"", ""},
                        Case{"Z\xc3\xbcrich\x7f", "Z\xc3\xbcrich\x7f"}}) {  // bytes >= 32 stay
    EXPECT_EQ(CleanSystemText(c.raw), c.clean) << c.raw;
  }
}

TEST(SerlErrorMessage, CleaningCapsAt255) {
  EXPECT_EQ(CleanSystemText(std::string(300, 'x')), std::string(255, 'x'));
  // Cut first, then cleaned: the line break at the cut becomes a space.
  EXPECT_EQ(CleanSystemText(std::string(254, 'x') + "\r\nyyy"), std::string(254, 'x') + " ");
}

// ---- Exceptions and the error check ----------------------------------------

TEST(SerlException, Constructors) {
  const ESerlException fromCode(ecBufferIsEmpty);
  EXPECT_STREQ(fromCode.what(), "Buffer is empty");
  EXPECT_EQ(fromCode.ErrorCode(), ecBufferIsEmpty);
  EXPECT_EQ(fromCode.SourceCode(), ecBufferIsEmpty);

  const ESerlException fromText("custom");
  EXPECT_STREQ(fromText.what(), "custom");
  EXPECT_EQ(fromText.ErrorCode(), 0);
  EXPECT_EQ(fromText.SourceCode(), 0);
}

TEST(SerlErrorCheck, PassesThroughNonNegativeAndWhileLoading) {
  for (const int code : {0, 1, 8192, INT_MAX}) EXPECT_EQ(CheckSerlError(code), code);
  for (const int code : {-8, -87, ecBufferIsEmpty, ecBadHandle, INT_MIN}) {
    EXPECT_EQ(CheckSerlError(code, true), code);
  }
}

template <class Group>
bool IsIn(const ESerlException& e) {
  return dynamic_cast<const Group*>(&e) != nullptr;
}

TEST(SerlErrorCheck, CodesRaiseTheirClass) {
  using GroupTest = bool (*)(const ESerlException&);
  struct Case {
    int code;
    std::type_index type;
    GroupTest inGroup;
  };
  const Case cases[] = {
      {ecBadArgument, typeid(EBadArgument), IsIn<EGeneral>},
      {ecGotQuitMsg, typeid(EGotQuitMsg), IsIn<EGeneral>},
      {ecBufferTooBig, typeid(EBufferTooBig), IsIn<EGeneral>},
      {ecPortNotAssigned, typeid(EPortNotAssigned), IsIn<EGeneral>},
      {ecInternal, typeid(EInternal), IsIn<EGeneral>},
      {ecModemNotAssigned, typeid(EModemNotAssigned), IsIn<EGeneral>},
      {ecPhonebookNotAssigned, typeid(EPhonebookNotAssigned), IsIn<EGeneral>},
      {ecCannotUseWithWinSock, typeid(ECannotUseWithWinSock), IsIn<EGeneral>},
      {ecBadId, typeid(EBadId), IsIn<EOpenComm>},
      {ecBaudRate, typeid(EBaudRate), IsIn<EOpenComm>},
      {ecByteSize, typeid(EByteSize), IsIn<EOpenComm>},
      {ecDefault, typeid(EDefault), IsIn<EOpenComm>},
      {ecHardware, typeid(EHardware), IsIn<EOpenComm>},
      {ecMemory, typeid(EMemory), IsIn<EOpenComm>},
      {ecCommNotOpen, typeid(ECommNotOpen), IsIn<EOpenComm>},
      {ecAlreadyOpen, typeid(EAlreadyOpen), IsIn<EOpenComm>},
      {ecNoHandles, typeid(ENoHandles), IsIn<EOpenComm>},
      {ecNoTimers, typeid(ENoTimers), IsIn<EOpenComm>},
      {ecNoPortSelected, typeid(ENoPortSelected), IsIn<EOpenComm>},
      {ecNotOpenedByTapi, typeid(ENotOpenedByTapi), IsIn<EOpenComm>},
      {ecNullApi, typeid(ENullApi), IsIn<ESerialIO>},
      {ecRegisterHandlerFailed, typeid(ERegisterHandlerFailed), IsIn<ESerialIO>},
      {ecPutBlockFail, typeid(EPutBlockFail), IsIn<ESerialIO>},
      {ecGetBlockFail, typeid(EGetBlockFail), IsIn<ESerialIO>},
      {ecOutputBufferTooSmall, typeid(EOutputBufferTooSmall), IsIn<ESerialIO>},
      {ecBufferIsEmpty, typeid(EBufferIsEmpty), IsIn<ESerialIO>},
      {ecTracingNotEnabled, typeid(ETracingNotEnabled), IsIn<ESerialIO>},
      {ecLoggingNotEnabled, typeid(ELoggingNotEnabled), IsIn<ESerialIO>},
      {ecBaseAddressNotSet, typeid(EBaseAddressNotSet), IsIn<ESerialIO>},
      {-4004, typeid(ENotDialing), IsIn<EModem>},
      {-4005, typeid(EAlreadyDialing), IsIn<EModem>},
      {-5003, typeid(EBadTriggerHandle), IsIn<ETrigger>},
      {-6008, typeid(EProtocol), IsIn<EProtocol>},
      {-7006, typeid(EInternal), IsIn<EGeneral>},
      {-7014, typeid(EBadFieldForIndex), IsIn<EINI>},
      {-8053, typeid(EInvalidPageNumber), IsIn<EFax>},
      {-8060, typeid(EFaxBadMachine), IsIn<EFax>},
      {-8070, typeid(EFaxPageError), IsIn<EFax>},
      {-13801, typeid(ETapi), IsIn<ETapi>},
      {-13886, typeid(ETapi), IsIn<ETapi>},
      {-13930, typeid(ETapi), IsIn<ETapi>},
      {-13942, typeid(ETapi), IsIn<ETapi>},
      {-13980, typeid(ERasLoadFail), IsIn<ERas>},
  };
  for (const Case& c : cases) {
    try {
      CheckSerlError(c.code);
      ADD_FAILURE() << c.code << " did not throw";
    } catch (const ESerlException& e) {
      EXPECT_EQ(std::type_index(typeid(e)), c.type) << c.code << " raised " << typeid(e).name();
      EXPECT_TRUE(c.inGroup(e)) << c.code;
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.SourceCode(), c.code);
      EXPECT_EQ(e.what(), ErrorMessage(c.code)) << c.code;
    }
  }
}

// Which handler of a typical caller catches the code.
std::string CaughtBy(int code) {
  try {
    CheckSerlError(code);
  } catch (const EOpenComm&) {
    return "EOpenComm";
  } catch (const ESerialIO&) {
    return "ESerialIO";
  } catch (const EGeneral&) {
    return "EGeneral";
  } catch (const ESerlException&) {
    return "ESerlException";
  } catch (const EInOutError&) {
    return "EInOutError";
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  } catch (...) {
    return "other";
  }
  return "none";
}

TEST(SerlErrorCheck, CallersCatchByGroup) {
  struct Case {
    int code;
    const char* handler;
  };
  for (const Case c : {Case{ecBadId, "EOpenComm"}, Case{ecAlreadyOpen, "EOpenComm"},
                       Case{ecBufferIsEmpty, "ESerialIO"}, Case{ecOutputBufferTooSmall, "ESerialIO"},
                       Case{ecBadArgument, "EGeneral"}, Case{ecBadHandle, "ESerlException"},
                       Case{ecNotSupported, "ESerlException"}, Case{-4001, "ESerlException"},
                       Case{-87, "EInOutError"}, Case{-8, "bad_alloc"}}) {
    EXPECT_EQ(CaughtBy(c.code), c.handler) << c.code;
  }
}

TEST(SerlErrorCheck, CodesWithoutClassRaisePlainExceptionKeepingTheSource) {
  for (const int code : {ecBadHandle, ecNotSupported, -1, -163, -1000, -7009, -13804, -13849,
                         -13887, -sysOperationAborted, -sysDeviceNotConnected,
                         -sysPermissionDenied, INT_MIN}) {
    try {
      CheckSerlError(code);
      ADD_FAILURE() << code << " did not throw";
    } catch (const ESerlException& e) {
      EXPECT_EQ(std::type_index(typeid(e)), std::type_index(typeid(ESerlException))) << code;
      EXPECT_STREQ(e.what(), "Serl exception");
      EXPECT_EQ(e.ErrorCode(), 0);
      EXPECT_EQ(e.SourceCode(), code);
    }
  }
}

TEST(SerlErrorCheck, PermissionDeniedIsTellableFromTheSource) {
  try {
    CheckSerlError(-sysPermissionDenied);
    FAIL() << "did not throw";
  } catch (const ESerlException& e) {
    EXPECT_EQ(e.SourceCode(), -sysPermissionDenied);
    EXPECT_NE(ErrorMessage(e.SourceCode()).find("ermission denied"), std::string::npos);
    if (kOwnSystemTexts) {
      EXPECT_NE(ErrorMessage(e.SourceCode()).find("dialout"), std::string::npos);
    }
  }
}

TEST(SerlErrorCheck, FileAndDeviceErrorsRaiseInOutError) {
  for (const int code : {-2, -3, -5, -7, -87, -100, -162}) {
    try {
      CheckSerlError(code);
      ADD_FAILURE() << code << " did not throw";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), -code);
      EXPECT_EQ(e.what(), ErrorMessage(code));
      EXPECT_FALSE(HasControlCharacter(e.what())) << code;
    }
  }
  try {
    CheckSerlError(-sysInvalidParameter);
    ADD_FAILURE() << "did not throw";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 87);
    EXPECT_EQ(e.what(), CleanSystemText(SystemErrorText(87)));
    EXPECT_FALSE(std::string(e.what()).empty());
  }
}

TEST(SerlErrorCheck, MinusEightIsOutOfMemoryNotInOutError) {
  EXPECT_THROW(CheckSerlError(-8), EOutOfMemory);
  EXPECT_EQ(CaughtBy(-8), "bad_alloc");
}

}  // namespace
}  // namespace canalarm::serl
