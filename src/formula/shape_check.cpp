#include "formula/shape_check.h"

#include "formula/formula_ops.h"

namespace qor::formula {
namespace {

using TemplateToken = FormulaProgram::TemplateToken;

// Recursive descent over the grammar:
//   expr := term (op term)*      term := '-'* primary
//   primary := number | y | z | '(' expr ')' | function '-'* (number | y | z | '(' expr ')')
class ShapeCheck {
public:
    explicit ShapeCheck(std::vector<TemplateToken>& t) : m_t(t) {}
    bool Run()
    {
        std::size_t i = 0;
        return Expr(i, 0) && i == m_t.size();
    }

private:
    bool Expr(std::size_t& i, int depth)
    {
        if (depth > 200 || !Term(i, depth))
            return false;
        while (i < m_t.size() && IsOperatorChar(m_t[i].kind)) {
            ++i;
            if (!Term(i, depth))
                return false;
        }
        return true;
    }
    bool Term(std::size_t& i, int depth)
    {
        while (i < m_t.size() && m_t[i].kind == '-')
            ++i;
        if (i < m_t.size() && m_t[i].kind == 'F') {
            ++i;
            while (i < m_t.size() && m_t[i].kind == '-')
                ++i;
            if (i < m_t.size() && m_t[i].kind == 'F')
                return false;
        }
        return Primary(i, depth);
    }
    bool Primary(std::size_t& i, int depth)
    {
        if (i >= m_t.size())
            return false;
        const char k = m_t[i].kind;
        if (k == 'N' || k == 'y' || k == 'z') {
            ++i;
            return true;
        }
        if (k != '(')
            return false;
        const std::size_t open = i++;
        if (!Expr(i, depth + 1) || i >= m_t.size() || m_t[i].kind != ')')
            return false;
        m_t[open].match = static_cast<std::int32_t>(i);
        ++i;
        return true;
    }
    std::vector<TemplateToken>& m_t;
};

}  // namespace

bool CheckShape(std::vector<TemplateToken>& tokens)
{
    return ShapeCheck(tokens).Run();
}

}  // namespace qor::formula
