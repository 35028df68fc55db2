#pragma once
// Texts of table T (columns A, B, C) with the parameters left null and the text the
// rebuild must make of them: the unit test checks the text, the database test prepares
// every result on the server.

namespace ordvane::test {

struct RebuildCase {
  const char* sql;
  const char* nullParams;  // names of the parameters left null, blank-separated
  const char* expected;
};

inline const RebuildCase kNullRewriteCases[] = {
    {"SELECT * FROM T WHERE A = :A", "A", "SELECT * FROM T WHERE A  IS NULL "},
    {"SELECT * FROM T WHERE A = :A", "", "SELECT * FROM T WHERE A = :A"},
    {"SELECT * FROM T WHERE A <> :A", "A", "SELECT * FROM T WHERE A  IS NOT NULL "},
    {"SELECT * FROM T WHERE A!=:A", "A", "SELECT * FROM T WHERE A IS NOT NULL "},
    {"SELECT * FROM T WHERE A ^= :A or B ~= :B", "A B",
     "SELECT * FROM T WHERE A  IS NOT NULL  or B  IS NOT NULL "},
    {"SELECT * FROM T WHERE A >= :A and B <= :B", "A B", "SELECT * FROM T WHERE A >= :A and B <= :B"},
    {"SELECT * FROM T WHERE A > :A or B < :B", "A B", "SELECT * FROM T WHERE A > :A or B < :B"},
    {"SELECT * FROM T WHERE A = :A + 1", "A", "SELECT * FROM T WHERE A = :A + 1"},
    {"SELECT * FROM T WHERE A =\r\n\t:A", "A", "SELECT * FROM T WHERE A  IS NULL "},
    {"SELECT * FROM T WHERE (A = :A)", "A", "SELECT * FROM T WHERE (A  IS NULL )"},
    // Only blanks may separate the operator from the parameter: anything else is left.
    {"SELECT * FROM T WHERE A = (:A)", "A", "SELECT * FROM T WHERE A = (:A)"},
    {"SELECT * FROM T WHERE A = ((:A))", "A", "SELECT * FROM T WHERE A = ((:A))"},
    {"SELECT * FROM T WHERE A = /* x */ :A", "A", "SELECT * FROM T WHERE A = /* x */ :A"},
    {"SELECT * FROM T WHERE A = - :A", "A", "SELECT * FROM T WHERE A = - :A"},
    {"SELECT * FROM T WHERE A = :A /* plus */ + 1", "A", "SELECT * FROM T WHERE A = :A /* plus */ + 1"},
    {"SELECT * FROM T WHERE A BETWEEN :A AND :B", "A B", "SELECT * FROM T WHERE A BETWEEN :A AND :B"},
    {"SELECT * FROM T WHERE :A = A", "A", "SELECT * FROM T WHERE :A = A"},
    {"UPDATE T SET A = :A WHERE B = :B", "A B", "UPDATE T SET A = :A WHERE B  IS NULL "},
    {"SELECT * FROM T WHERE A = :A AND B = :B AND C <> :C", "A C",
     "SELECT * FROM T WHERE A  IS NULL  AND B = :B AND C  IS NOT NULL "},
    {"SELECT * FROM T WHERE A = :\"a\"", "a", "SELECT * FROM T WHERE A  IS NULL "},
    {"SELECT * FROM T WHERE A IN (SELECT B FROM T WHERE C = :C) AND B = :B", "B C",
     "SELECT * FROM T WHERE A IN (SELECT B FROM T WHERE C  IS NULL ) AND B  IS NULL "},
    {"SELECT A, COUNT(*) FROM T WHERE B = :B GROUP BY A HAVING COUNT(*) = :N", "B N",
     "SELECT A, COUNT(*) FROM T WHERE B  IS NULL  GROUP BY A HAVING COUNT(*) = :N"},
};

}  // namespace ordvane::test
