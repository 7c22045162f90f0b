#include "story/evaluator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "story/tag_reader.h"
#include "tests/story/evaluator_reference.h"
#include "tests/story/interpreter_fixture.h"

namespace tomelet {
namespace {

class EvaluatorTest : public testing::InterpreterTest {
public:
    using InterpreterTest::set_flag;
    using InterpreterTest::set_value;

protected:
    static int32_t eval(const std::string& condition) {
        tag_load(("O " + condition).c_str());
        return evaluate_condition();
    }
    static int32_t count_of(const std::string& text) {
        int32_t n = 0;
        for (int32_t i = 0; i < message_count(); ++i) n += message(i) == text ? 1 : 0;
        return n;
    }
};

TEST_F(EvaluatorTest, WorkedExample) {
    set_value(19, 1);
    set_value(51, 3);
    EXPECT_EQ(eval("(%19 y 2) & !(%51 = 0)"), 1);
    set_value(19, 3);
    EXPECT_EQ(eval("(%19 y 2) & !(%51 = 0)"), 0);
    set_value(19, 1);
    set_value(51, 0);
    EXPECT_EQ(eval("(%19 y 2) & !(%51 = 0)"), 0);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, ComparisonsAgainstLiteralsAndVariables) {
    set_value(51, 0);
    EXPECT_EQ(eval("(%51 = 0)"), 1);
    EXPECT_EQ(eval("(%51=0)"), 1);  // blanks mean nothing
    set_value(51, 38);
    EXPECT_EQ(eval("(%51 = 0)"), 0);
    EXPECT_EQ(eval("(%51 = 38)"), 1);

    for (int32_t v = 0; v < 6; ++v) {
        SCOPED_TRACE(v);
        set_value(19, v);
        set_value(104, v);
        EXPECT_EQ(eval("(%19 y 2)"), v < 2 ? 1 : 0);
        EXPECT_EQ(eval("(%104 x 3)"), v > 3 ? 1 : 0);
    }

    set_value(8, 4);
    set_value(104, 4);
    EXPECT_EQ(eval("(%8 = %104)"), 1);
    set_value(104, 5);
    EXPECT_EQ(eval("(%8 = %104)"), 0);
    EXPECT_EQ(eval("(%8 y %104)"), 1);
    EXPECT_EQ(eval("(%104 x %8)"), 1);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, FlagTestsAndNegation) {
    EXPECT_EQ(eval("(X %98)"), 0);
    EXPECT_EQ(eval("! (X %98)"), 1);
    set_flag(98, 1);
    EXPECT_EQ(eval("(X %98)"), 1);
    EXPECT_EQ(eval("! (X %98)"), 0);
    EXPECT_EQ(eval("!(%88 = 0)"), 0);
    set_value(88, 1);
    EXPECT_EQ(eval("!(%88 = 0)"), 1);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, ConnectivesApplyLeftToRight) {
    // (A) | (B) & (C) is ((A or B) and C): with A true and C false it is false.
    set_value(1, 1);  // A: (%1 = 1) true
    set_value(2, 0);  // B: (%2 = 1) false
    set_value(4, 0);  // C: (%4 = 1) false
    EXPECT_EQ(eval("(%1 = 1) | (%2 = 1) & (%4 = 1)"), 0);
    set_value(4, 1);
    EXPECT_EQ(eval("(%1 = 1) | (%2 = 1) & (%4 = 1)"), 1);

    set_value(104, 0);
    set_value(19, 2);
    EXPECT_EQ(eval("((%104 y 1) | (%104 x 3) ) & (%19 y 5)"), 1);
    set_value(104, 2);
    EXPECT_EQ(eval("((%104 y 1) | (%104 x 3) ) & (%19 y 5)"), 0);
    set_value(104, 5);
    set_value(19, 5);
    EXPECT_EQ(eval("((%104 y 1) | (%104 x 3) ) & (%19 y 5)"), 0);

    // A chain of six terms.
    EXPECT_EQ(eval("(%10 = 0) & (%11 = 0) & (%12 = 0) & (%13 = 0) & (%14 = 0) & (%15 = 0)"), 1);
    set_value(15, 1);
    EXPECT_EQ(eval("(%10 = 0) & (%11 = 0) & (%12 = 0) & (%13 = 0) & (%14 = 0) & (%15 = 0)"), 0);
    EXPECT_EQ(eval("(%10 = 1) | (%11 = 1) | (%12 = 1) | (%13 = 1) | (%14 = 1) | (%15 = 1)"), 1);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, ShortCircuitLeavesTheRightGroupUnread) {
    // Read, the right-hand group would overflow the operator stack.
    const std::string crowded = "(!!!!!!!!!!!(%21 = 0))";
    set_value(20, 1);
    EXPECT_EQ(eval("(%20 = 0) & " + crowded), 0);
    EXPECT_EQ(eval("(%20 = 1) | " + crowded), 1);
    EXPECT_EQ(message_count(), 0);
    eval("(%20 = 1) & " + crowded);  // not skipped: the group is read
    EXPECT_GT(count_of("Operators stack overflow"), 0);
}

TEST_F(EvaluatorTest, LiteralsAreSixteenBitSigned) {
    for (int32_t v : {0, 1, 255}) {
        set_value(5, v);
        EXPECT_EQ(eval("(%5 y 300)"), 1);
        EXPECT_EQ(eval("(%5 = 300)"), 0);
    }
    set_value(5, 1);
    EXPECT_EQ(eval("(%5 = 65537)"), 1);  // 65537 wraps to 1
    set_value(5, 0);
    EXPECT_EQ(eval("(%5 x 40000)"), 1);  // 40000 wraps to -25536
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, VariablesOutsideTheCatalogueReadAsZero) {
    EXPECT_EQ(eval("(%500 = 0)"), 1);
    EXPECT_EQ(eval("(%500 x 0)"), 0);
    EXPECT_EQ(eval("(X %500)"), 0);
    EXPECT_EQ(eval("(%1 = %999)"), 1);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, StackLimits) {
    std::string nine;
    for (int i = 1; i <= 9; ++i) nine += " %" + std::to_string(i);
    // The overflow message comes when a push brings the count to 10; pushes
    // on a full stack are dropped without one.
    const struct {
        std::string text;
        int32_t operand_overflows;
        int32_t operator_overflows;
    } cases[] = {
        {nine, 0, 0},
        {nine + " %10", 1, 0},
        {nine + " %10 %11 %12 %13", 1, 0},
        {nine + " = 0) = 0)", 2, 0},  // a comparison pops back to 9; the next fills it again
        {"!!!!!!!!!", 0, 0},
        {"!!!!!!!!!!", 0, 1},
        {std::string(30, '!'), 0, 1},
        {"(" + std::string(12, '!') + "(%1 = 0))", 0, 1},  // the comparison is dropped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        clear_messages();
        eval(c.text);
        EXPECT_EQ(count_of("Operands stack overflow"), c.operand_overflows);
        EXPECT_EQ(count_of("Operators stack overflow"), c.operator_overflows);
        EXPECT_EQ(message_count(), c.operand_overflows + c.operator_overflows);
    }

    clear_messages();
    eval("=)");
    EXPECT_EQ(count_of("Can't remove an operand from an empty stack!"), 1);
}

TEST_F(EvaluatorTest, BottomSlotTakesStrayDigitsAndIsKept) {
    // Earlier evaluations may have left anything in the bottom slot: a
    // negation closed with an empty stack turns it into 0 or 1.
    if (eval("!()") != 0) eval("!()");
    EXPECT_EQ(eval(""), 0);
    EXPECT_EQ(eval("7"), 7);
    tag_load("O");
    EXPECT_EQ(evaluate_condition(), 7);  // an empty condition yields the bottom slot
    EXPECT_EQ(eval(""), 7);
    EXPECT_EQ(eval("3"), 73);  // digits keep accumulating into it
    EXPECT_EQ(eval("(%1 = 0)"), 1);
    EXPECT_EQ(eval(")"), 73);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(EvaluatorTest, MalformedTextTerminatesWithinItsStacks) {
    const char* texts[] = {"((((((((((((((((((((", "))))))))))))))))))))", "12345%", "%%%%%%%%%%%%%%%%%%%%%",
                           "(= = = = = = = = = = = =)", "&&&&&&&&&&&&&&", "||||||||||||", "(%1 = (%2 = 0))",
                           "(X)(X)(X)(X)(X)(X)(X)(X)(X)(X)(X)(X)", "%1 = = = x y )))))))))))"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        eval(text);
    }
    std::string chain = "(%1 = 0)";
    for (int i = 0; i < 40; ++i) chain += " & (%1 = 0)";
    EXPECT_EQ(eval(chain), 1);
    std::string nested;
    for (int i = 0; i < 30; ++i) nested += "!(";
    nested += "%1 = 0";
    for (int i = 0; i < 30; ++i) nested += ")";
    eval(nested);

    // Random text over the significant characters: every run ends, and the
    // sanitizer build checks that no stack is left.
    const char alphabet[] = "()%0123456789=xyX!&| ";
    uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        seed = seed * 1103515245u + 12345u;
        const uint32_t length = (seed >> 16) % 398;
        for (uint32_t i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        tag_load(("O" + text).c_str());
        evaluate_condition();
        clear_messages();
    }
}

// Every condition tag (`<O ...>`, `<o ...>`) of the demo book and of the
// features book, as its text stands in tag_buffer (letter first).
std::vector<std::string> book_conditions() {
    std::vector<std::string> found;
    for (const char* folder : {"books/demo/text", "tests/books/features/text"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(TOMELET_SOURCE_DIR) + "/" + folder)) {
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            for (size_t at = s.find('<'); at != std::string::npos; at = s.find('<', at + 1)) {
                const size_t end = s.find('>', at);
                if (end == std::string::npos) break;
                if (end > at + 1 && (s[at + 1] == 'O' || s[at + 1] == 'o')) found.push_back(s.substr(at + 1, end - at - 1));
            }
        }
    }
    return found;
}

// What one evaluation did: everything a caller or a later evaluation can see.
struct outcome {
    int32_t result;
    int32_t cursor;
    evaluator_stacks stacks;
    int32_t message_total;
    std::vector<std::string> messages;  // as the page model keeps them
};

// Runs `evaluate` on `buffer` (all 400 bytes) from the stacks `before`.
template <typename Evaluate, typename Get, typename Set>
outcome run_reader(Evaluate evaluate, Get get, Set set, const char* buffer, const evaluator_stacks& before) {
    std::memcpy(the_engine.play.tag_buffer, buffer, TAG_BUFFER_SIZE);
    the_engine.play.tag_cursor = -7;
    drop_held_messages();
    set(before);
    outcome o{};
    o.result = evaluate();
    o.cursor = the_engine.play.tag_cursor;
    get(&o.stacks);
    o.message_total = reported_message_count();
    for (int32_t i = 0; i < held_message_count(); ++i) o.messages.push_back(held_message_text(i));
    return o;
}

// Runs the reader and the previous one on the same text, variables and
// stale stacks, drawn at random, and compares what they did.
class reader_comparison {
public:
    explicit reader_comparison(uint32_t seed) : random(seed) {}

    uint32_t below(uint32_t n) { return static_cast<uint32_t>(random() % n); }

    // Loads `text` (NUL-terminated) followed by garbage, or, with `whole`,
    // fills the buffer to its end without a NUL; then runs both readers
    // from the same random variables and stacks and compares them.
    ::testing::AssertionResult check(const std::string& text, bool whole) {
        char buffer[TAG_BUFFER_SIZE];
        for (int32_t i = 0; i < TAG_BUFFER_SIZE; ++i) buffer[i] = static_cast<char>(1 + below(255));
        const size_t length = text.size() < TAG_BUFFER_SIZE ? text.size() : TAG_BUFFER_SIZE;
        std::memcpy(buffer, text.data(), length);
        if (!whole) buffer[length < TAG_BUFFER_SIZE ? length : TAG_BUFFER_SIZE - 1] = '\0';
        for (int32_t v = 0; v < 116; ++v) {
            EvaluatorTest::set_value(v, below(4) != 0 ? below(7) : below(256));
            EvaluatorTest::set_flag(v, below(2));
        }
        evaluator_stacks before;
        for (int32_t i = 0; i <= EVALUATOR_LEVELS; ++i) {
            before.operand_values[i] = static_cast<int16_t>(below(2) != 0 ? below(3) : random());
            before.operand_kinds[i] = static_cast<uint8_t>(below(3));
            before.operator_letters[i] = "!&|=xyX?"[below(8)];
            before.operator_depths[i] = static_cast<int16_t>(below(7)) - 3;
        }
        const outcome previous = run_reader(previous_evaluator::evaluate_condition, previous_evaluator::evaluator_stacks_get,
                                            previous_evaluator::evaluator_stacks_set, buffer, before);
        const outcome now = run_reader(evaluate_condition, evaluator_stacks_get, evaluator_stacks_set, buffer, before);
        ++runs;
        if (previous.result == now.result && previous.cursor == now.cursor &&
            std::memcmp(&previous.stacks, &now.stacks, sizeof previous.stacks) == 0 &&
            previous.message_total == now.message_total && previous.messages == now.messages) {
            return ::testing::AssertionSuccess();
        }
        const bool same_stacks = std::memcmp(&previous.stacks, &now.stacks, sizeof previous.stacks) == 0;
        return ::testing::AssertionFailure() << "text \"" << std::string(buffer, strnlen(buffer, TAG_BUFFER_SIZE))
                                             << "\": result " << now.result << " (was " << previous.result << "), cursor "
                                             << now.cursor << " (was " << previous.cursor << "), messages "
                                             << now.message_total << " (were " << previous.message_total << "), stacks "
                                             << (same_stacks ? "alike" : "differ");
    }

    int32_t runs = 0;

private:
    std::mt19937 random;
};

}  // namespace

// The reader does exactly what the previous one did (kept in
// tests/story/evaluator_reference.cpp): same result, cursor, stacks and
// messages, on every condition of the books under varied variables, on
// those conditions mangled, on random text over the significant characters
// (and a few others) of every length the buffer holds, with random stale
// stack contents, and on buffers written to their end without a NUL.
TEST_F(EvaluatorTest, MatchesThePreviousReader) {
    const std::vector<std::string> conditions = book_conditions();
    ASSERT_GT(conditions.size(), 1000u);
    reader_comparison comparison(20261208);
    const auto below = [&comparison](uint32_t n) { return comparison.below(n); };
    const auto check = [&comparison](const std::string& text, bool whole) { return comparison.check(text, whole); };
    const std::string significant = "()%0123456789=xyX!&| ";
    const std::string others = "aOo<>{}+-#\t\x7f\x80\xff";
    const auto any_character = [&]() -> char {
        return below(8) != 0 ? significant[below(significant.size())] : others[below(others.size())];
    };

    for (const std::string& condition : conditions) {
        for (int round = 0; round < 3; ++round) ASSERT_TRUE(check(condition, false));
    }
    for (int round = 0; round < 3000; ++round) {
        std::string text = conditions[below(conditions.size())];
        for (uint32_t edits = 1 + below(4); edits > 0; --edits) {
            const size_t at = below(text.size() + 1);
            switch (below(3)) {
                case 0: text.insert(at, 1, any_character()); break;
                case 1: if (at < text.size()) text.erase(at, 1); break;
                default: if (at < text.size()) text[at] = any_character(); break;
            }
        }
        ASSERT_TRUE(check(text, false));
    }
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const uint32_t length = below(2) != 0 ? below(41) : below(TAG_BUFFER_SIZE);
        for (uint32_t i = 0; i < length; ++i) text += any_character();
        if (below(4) == 0 && text.size() > 1) text[1] = ' ';
        ASSERT_TRUE(check(text, false));
    }
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int32_t i = 0; i < TAG_BUFFER_SIZE; ++i) {
            const char c = any_character();
            text += c != '\0' ? c : ' ';
        }
        ASSERT_TRUE(check(text, true));
    }
    // Groups read with both stacks nearly full, and with a comparison's
    // right side pending.
    for (int32_t operands = 0; operands <= 10; ++operands) {
        for (int32_t operators = 0; operators <= 10; ++operators) {
            std::string head = "O ";
            for (int32_t i = 0; i < operands; ++i) head += "%1 ";
            head += std::string(static_cast<size_t>(operators), '!');
            for (const char* group : {"(%4 = %0)", "(X %85)", "( %104 y 3 )", "(%2 x 70000) & (X %3)", "%5 = (%6 = 1)"}) {
                ASSERT_TRUE(check(head + group, false));
            }
        }
    }
    ASSERT_TRUE(check("", false));
    EXPECT_GT(comparison.runs, 14000);
}

// Chains of groups, as the books write nearly every condition, read in
// one pass: the same as the previous reader on chains of every length and
// negation, and on texts that leave a chain part-way (another operator,
// other spacing, a group cut short or of another shape), which the rules
// then read from where the chain ends.
TEST_F(EvaluatorTest, ChainsMatchThePreviousReader) {
    const char* const texts[] = {
        // chains
        "O (%1 = 2) ", "O (%1 = 2)", "o (%104 x 3) & (%104 y 7) ", "O (%8 = %104) & (X %3) & !(X %4) ",
        "O !(X %98) ", "O !(%2 y 3) & !(X %3) ", "O (X %1) & (X %2) & (X %3) & (X %4) & (X %5) & (X %6) & (X %7) ",
        "O (%70000 = 4464) ", "O (%300 = 0) & (X %300) ", "O (%1 = %300) ", "O", "O ", "O  ", "O (%1 = 2)  ",
        // a chain, then the rules
        "O (%1 = 2) | (X %3) ", "O (%1 = 2) & (X %3) | (X %4) ", "O (X %1) & (%2 = 1) 7", "O (%1 = 2) & ",
        "O (%1 = 2) & (X %3", "O (%1 = 2) &(X %3) ", "O (%1 = 2) & (%2 = (%3 = 1)) ", "O (%1 = 2) & ((X %3)) ",
        "O (X %1) & (X %-1) ", "O (%1 = 2) & !!(X %3) ", "O (%1 = 2) & ! (X %3) ",
        // no chain at the start
        "O (%1=2) & (X %3) ", "O ( %1 = 2) ", "O (%1 z 2) ", "O (X %) ", "O (%1 = %) ", "O (X  %1) ", "O \t(%1 = 2) ",
        "O ((%1 = 2)) ", "O %1 = 2 ",
    };
    reader_comparison comparison(20261209);
    for (const char* text : texts) {
        for (int round = 0; round < 24; ++round) ASSERT_TRUE(comparison.check(text, false));
    }
}

}  // namespace tomelet
