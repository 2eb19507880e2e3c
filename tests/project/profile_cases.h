// Profile files and what reading and writing them gives, as the system's
// profile functions do it under Wine. Our text body is held to these tables
// natively; the interoperability tests hold the system to them too.
#pragma once

#include <string>
#include <vector>

namespace ww::test {

struct ProfileRead {
    const char* section;
    const char* key;
    std::string value;
};

struct ProfileReadCase {
    const char* what;
    std::string text;
    std::vector<ProfileRead> reads;
};

inline std::vector<ProfileReadCase> ProfileReadCases() {
    const std::string x300(300, 'x');
    const std::string y258(258, 'y'), y259(259, 'y'), y260(260, 'y');
    return {
        {"names, blanks and quotes",
         "top=1\r\n[ General ]\r\n  Key One  =  val  \r\nnoeq\r\n;comment\r\n\r\n"
         "Q=\"quoted  \"  \r\nS='single'\r\nM=\"mis'\r\nE=\"\"\r\nOne=\"\r\nTab=\tx\t\r\n"
         "Ctl=\v\f\x1ay\x1a\r\nEq==x=y\r\nDup=first\r\ndup=second\r\n[Other]\r\nA=other\r\n"
         "[a]b]\r\nk=ab\r\n[nobracket\r\nk2=v\r\n[general]\r\nHidden=second section\r\n",
         {{"", "top", "1"},
          {"General", "top", ""},
          {"GENERAL", "key one", "val"},
          {" General\t", " Key One ", "val"},
          {"General", "noeq", ""},
          {"General", ";comment", ""},
          {"General", "Q", "quoted  "},
          {"General", "S", "single"},
          {"General", "M", "\"mis'"},
          {"General", "E", ""},
          {"General", "One", "\""},
          {"General", "Tab", "x"},
          {"General", "Ctl", "y"},
          {"General", "Eq", "=x=y"},
          {"General", "DUP", "first"},
          {"General", "Hidden", ""},
          {"general", "A", ""},
          {"other", "a", "other"},
          {"a]b", "k", "ab"},
          {"a", "k", ""},
          {"a]b", "k2", "v"},
          {"General", "k2", ""}}},
        {"values cut to 259 characters",
         "[General]\r\nL=" + x300 + "\r\nQ258=\"" + y258 + "\"\r\nQ259=\"" + y259 +
             "\"\r\nQ260=\"" + y260 + "\"\r\n",
         {{"General", "L", x300.substr(0, 259)},
          {"General", "Q258", y258},
          {"General", "Q259", y258},
          {"General", "Q260", y259}}},
        {"byte order mark", "\xEF\xBB\xBF[General]\r\nA=bom\r\n", {{"General", "A", "bom"}}},
        {"CR, LF and CR LF all end lines; no final break",
         "x=0\n[General]\nA=1\rB=2\r\r\nC=3\n\rD=4",
         {{"General", "A", "1"},
          {"General", "B", "2"},
          {"General", "C", "3"},
          {"General", "D", "4"}}},
    };
}

struct ProfileWrite {
    const char* section;
    const char* key;
    std::string value;
};

struct ProfileWriteCase {
    const char* what;
    bool exists; // false: the file is missing before the writes
    std::string before;
    std::vector<ProfileWrite> writes;
    std::string after; // what our text body leaves
    std::vector<ProfileRead> reads;
};

inline std::vector<ProfileWriteCase> ProfileWriteCases() {
    return {
        {"in place, at the end of the section, a new section at the end",
         true,
         "; kept\r\n[Other]\r\nName=Not this\r\n[general]\r\n  name  =  old  \r\nforeign "
         "line\r\n\r\n"
         "[Last]\r\nk=v\r\n",
         {{"General", "NAME", "New"},
          {"General", "Added", "1"},
          {"Fresh", "k", "v  "},
          {"other", "NEW", " lead"}},
         "; kept\r\n[Other]\r\nName=Not this\r\nNEW=lead\r\n[general]\r\nname=New\r\n"
         "foreign line\r\nAdded=1\r\n\r\n[Last]\r\nk=v\r\n[Fresh]\r\nk=v  \r\n",
         {{"General", "name", "New"},
          {"GENERAL", "added", "1"},
          {"Fresh", "K", "v"},
          {"Other", "new", "lead"},
          {"Other", "Name", "Not this"},
          {"Last", "k", "v"},
          {"General", "foreign line", ""}}},
        {"a missing file is created",
         false,
         "",
         {{"General", "A", "1"}},
         "[General]\r\nA=1\r\n",
         {{"General", "A", "1"}}},
        {"no line break at the end",
         true,
         "[General]\r\nA=1",
         {{"General", "B", "2"}, {"Other", "C", "3"}},
         "[General]\r\nA=1\r\nB=2\r\n[Other]\r\nC=3\r\n",
         {{"General", "A", "1"}, {"General", "B", "2"}, {"Other", "C", "3"}}},
        {"a section with only blank lines",
         true,
         "[General]\r\n\r\n[Next]\r\nA=next\r\n",
         {{"General", "A", "1"}},
         "[General]\r\nA=1\r\n\r\n[Next]\r\nA=next\r\n",
         {{"General", "A", "1"}, {"Next", "A", "next"}}},
        {"a key without '=' takes the value",
         true,
         "[General]\r\nnoeq\r\nafter=1\r\n",
         {{"General", "noeq", "now"}},
         "[General]\r\nnoeq=now\r\nafter=1\r\n",
         {{"General", "noeq", "now"}, {"General", "after", "1"}}},
        {"an unchanged value leaves the file alone",
         true,
         "[General]\n  A = 1  \n",
         {{"General", "a", "1"}},
         "[General]\n  A = 1  \n",
         {{"General", "A", "1"}}},
        {"line breaks inside a value start no key",
         true,
         "",
         {{"General", "A", "a\r\nInjected=1"}, {"General", "B", "\"in  \""}},
         "[General]\r\nA=a  Injected=1\r\nB=\"in  \"\r\n",
         {{"General", "A", "a  Injected=1"},
          {"General", "Injected", ""},
          {"General", "B", "in  "}}},
        {"CR lines keep their ends",
         true,
         "[General]\rA=1\rB=2\r[Other]\rx=1",
         {{"General", "A", "3"}, {"General", "C", "4"}},
         "[General]\rA=3\r\nB=2\rC=4\r\n[Other]\rx=1",
         {{"General", "A", "3"},
          {"General", "B", "2"},
          {"General", "C", "4"},
          {"Other", "x", "1"}}},
        {"only the first section of a name",
         true,
         "[General]\r\nA=1\r\n[Other]\r\n[General]\r\nB=2\r\n",
         {{"General", "B", "3"}},
         "[General]\r\nA=1\r\nB=3\r\n[Other]\r\n[General]\r\nB=2\r\n",
         {{"General", "B", "3"}, {"General", "A", "1"}}},
    };
}

} // namespace ww::test
