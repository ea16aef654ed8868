#include "db/namesanswer.h"

namespace db::detail {

bool Answerable(const ConditionNode& node) {
    if (node.type == ConditionNode::Atom)
        return node.column && NamesIndex::CanMatch(*node.column, node.pattern);
    for (const ConditionNode& child : node.children)
        if (!Answerable(child)) return false;
    return true;
}

Answer Evaluate(const ConditionNode& node, const NamesTable& table, std::size_t first, std::size_t end) {
    if (node.type == ConditionNode::Atom) {
        RowSet matched = *NamesIndex::Match(table, *node.column, node.pattern, first, end);
        RowSet unmatched = ~node.column->nulls.slice(first, end);
        unmatched &= ~matched;
        if (node.negated) return {std::move(unmatched), std::move(matched)};
        return {std::move(matched), std::move(unmatched)};
    }
    if (node.type == ConditionNode::Not) {
        Answer inner = Evaluate(node.children.front(), table, first, end);
        return {std::move(inner.isFalse), std::move(inner.isTrue)};
    }
    const bool isAnd = node.type == ConditionNode::And;
    Answer out{RowSet(end - first, isAnd), RowSet(end - first, !isAnd)};
    for (const ConditionNode& child : node.children) {
        const Answer part = Evaluate(child, table, first, end);
        if (isAnd) {
            out.isTrue &= part.isTrue;
            out.isFalse |= part.isFalse;
        } else {
            out.isTrue |= part.isTrue;
            out.isFalse &= part.isFalse;
        }
    }
    return out;
}

void RowList::find(std::size_t from, std::size_t to, std::vector<std::uint32_t>& out) const {
    RowSet allowed(to - from, true);
    for (const ConditionNode& condition : conditions)
        allowed &= Evaluate(condition, *table, from, to).isTrue;
    out.clear();
    for (std::uint32_t i : allowed.positions())
        out.push_back(static_cast<std::uint32_t>(from) + i);
}

} // namespace db::detail
