#!/usr/bin/env python3
"""Generates the bit-sliced DES round function from the standard's tables.

Reads the S-boxes, E and P from src/cipher/des_tables.h and builds, box by box, a
circuit in which every node is a function of at most three earlier nodes or inputs:
one vpternlog on AVX-512 (the "ternary" round), or the cheapest formula of and, or,
xor, andnot and not for that function elsewhere (the "gates" round, built again with
each node weighed by its formula, and each node then stored in the cheaper polarity).
Each output is split recursively by one input (its two cofactors, or one cofactor
and their xor), or by two inputs whose four cofactors are constants or one shared
function; nodes are shared up to complement, which a ternary operation absorbs; an
output that three existing nodes determine costs one node. The cheapest of all
output orders is kept, and every circuit is checked against the tables.

The search tries every output order and, at every function, every split, each on a copy
of the circuit: about 5 minutes of one core. It records the choices that won (per box
and style: the output order, and per function the split taken) in the plan,
des_sbox_circuits.plan.json beside this file. Without --search the generator replays the
plan, one split per function, in under a second; it checks every circuit against the
tables either way, so a plan that does not fit the tables fails. A test replays it and
compares the result with the checked-in header.

    python3 tools/gen/des_sbox_circuits.py --search > src/cipher/des_sbox_circuits.h  # new plan
    python3 tools/gen/des_sbox_circuits.py > src/cipher/des_sbox_circuits.h           # from the plan
    python3 tools/gen/des_sbox_circuits.py --check src/cipher/des_sbox_circuits.h     # the test
"""
import difflib
import itertools
import json
import re
import sys
from pathlib import Path

TABLES = Path(__file__).resolve().parents[2] / "src/cipher/des_tables.h"
PLAN = Path(__file__).resolve().with_name("des_sbox_circuits.plan.json")
COMMAND = "python3 tools/gen/des_sbox_circuits.py [--search] > src/cipher/des_sbox_circuits.h"
FULL = (1 << 64) - 1  # truth table of the constant 1 over the 64 inputs of a box


def read_table(text, name):
    """The numbers of the C array `name` in des_tables.h, flattened."""
    body = re.search(name + r"\[[^=]*=\s*\{(.*?)\};", text, re.S).group(1)
    return [int(n) for n in re.findall(r"\d+", body)]


def load_tables():
    text = TABLES.read_text()
    sbox = read_table(text, "STANDARD_SBOX")
    return ([[sbox[64 * b + 16 * r:64 * b + 16 * r + 16] for r in range(4)] for b in range(8)],
            read_table(text, "STANDARD_E"), read_table(text, "STANDARD_P"))


# ---- Truth tables. Input x of a box: bit i is the box's input i (0 = its first, b1).

def output_table(box_rows, out):
    """Truth table (bit x set when 1) of output `out` (0 = the most significant)."""
    table = 0
    for x in range(64):
        v = [(x >> i) & 1 for i in range(6)]
        value = box_rows[2 * v[0] + v[5]][8 * v[1] + 4 * v[2] + 2 * v[3] + v[4]]
        table |= ((value >> (3 - out)) & 1) << x
    return table


VAR_TABLES = [sum(1 << x for x in range(64) if (x >> i) & 1) for i in range(6)]


def ternary_table(imm, a, b, c):
    """Truth table of vpternlog(imm) applied to nodes with tables a, b, c."""
    table = 0
    for index in range(8):
        if (imm >> index) & 1:
            table |= (a if index & 4 else FULL ^ a) & (b if index & 2 else FULL ^ b) & (c if index & 1 else FULL ^ c)
    return table


MUX = 0xCA  # select ? second : third


# ---- Formulas for the gates circuit: the cheapest and/or/xor/andnot/not formula of
# each three-input function, over A (0xF0), B (0xCC), C (0xAA).

def cheapest_formulas():
    best = {0xF0: (0, "A"), 0xCC: (0, "B"), 0xAA: (0, "C"), 0x00: (0, "0"), 0xFF: (0, "1")}
    changed = True
    while changed:
        changed = False
        items = list(best.items())
        candidates = []
        for f, (cf, _) in items:
            candidates.append((0xFF ^ f, cf + 1, ("not", f)))
            for g, (cg, _) in items:
                cost = cf + cg + 1
                candidates += [(f & g, cost, ("and", f, g)), (f | g, cost, ("or", f, g)),
                               (f ^ g, cost, ("xor", f, g)), ((0xFF ^ f) & g, cost, ("andnot", f, g))]
        for table, cost, how in candidates:
            if table not in best or cost < best[table][0]:
                best[table] = (cost, how)
                changed = True
    return best


FORMULAS = cheapest_formulas()


def gate_cost(imm):
    return FORMULAS[imm][0]


class Circuit:
    """The plain form that is written out: nodes (imm, a, b, c) over names, no complements."""

    def __init__(self):
        self.nodes = []
        self.table_of = {"zero": 0, "ones": FULL}
        for i in range(6):
            self.table_of[f"x{i}"] = VAR_TABLES[i]


# ---- Ternary circuits: a node's complement costs nothing (the ternary operation that
# reads it takes the complement into its imm), so nodes are shared up to complement,
# and each function may also be split unevenly: every subtree chooses its own select
# input, and a function whose cofactors by two inputs are all constants or one common
# function G (or its complement) is one operation on G.

def cofactor(table, var, value):
    mask = VAR_TABLES[var]
    shift = 1 << var
    if value:
        kept = table & mask
        return kept | (kept >> shift)
    kept = table & (FULL ^ mask)
    return kept | (kept << shift)


def support(table):
    return [v for v in range(6) if cofactor(table, v, 0) != cofactor(table, v, 1)]


def canonical(table):
    return min(table, FULL ^ table)


class ComplementCircuit:
    """Nodes (imm, refs) with refs (name, negated); shared by table up to complement."""

    def __init__(self, node_cost):
        self.node_cost = node_cost  # cost of a node by its imm
        self.nodes = []
        self.choices = {}  # table -> the split that built it (see build_function)
        self.by_canonical = {0: "zero"}
        self.table_of = {"zero": 0}
        for i in range(6):
            self.by_canonical[canonical(VAR_TABLES[i])] = f"x{i}"
            self.table_of[f"x{i}"] = VAR_TABLES[i]

    def copy(self):
        other = ComplementCircuit.__new__(ComplementCircuit)
        other.node_cost = self.node_cost
        other.nodes = list(self.nodes)
        other.choices = dict(self.choices)
        other.by_canonical = dict(self.by_canonical)
        other.table_of = dict(self.table_of)
        return other

    @property
    def cost(self):
        return sum(self.node_cost(imm) for imm, _ in self.nodes)

    def find(self, table):
        name = self.by_canonical.get(canonical(table))
        return None if name is None else (name, self.table_of[name] != table)

    def value(self, ref):
        name, negated = ref
        return self.table_of[name] ^ (FULL if negated else 0)

    def add(self, imm, refs):
        table = ternary_table(imm, *[self.value(r) for r in refs])
        name = f"t{len(self.nodes)}"
        self.nodes.append((imm, refs))
        self.by_canonical[canonical(table)] = name
        self.table_of[name] = table
        return (name, False)


def function_imm(table, operands):
    """imm of `table` as a function of the three operand tables (which must determine it)."""
    imm = 0
    for index in range(8):
        want = [(index >> 2) & 1, (index >> 1) & 1, index & 1]
        selected = FULL
        for operand, bit in zip(operands, want):
            selected &= operand if bit else FULL ^ operand
        if selected & table:
            imm |= 1 << index
    return imm


def determines(table, operands):
    """Whether `table` is a function of the three operand tables."""
    for index in range(8):
        selected = FULL
        for k, operand in enumerate(operands):
            selected &= operand if (index >> (2 - k)) & 1 else FULL ^ operand
        if selected & table and selected & (FULL ^ table):
            return False
    return True


def existing_operands(circuit, table):
    """Three names already in the circuit that determine `table`, if any: the first in the
    order of itertools.combinations. A pair whose four cells leave `table` mixed on some
    of them needs a third name equal to `table` or its complement on each of those."""
    pool = [name for name, value in circuit.table_of.items() if name != "zero"]
    values = [circuit.table_of[name] for name in pool]
    complement = FULL ^ table
    for i, a in enumerate(values):
        for j in range(i + 1, len(values)):
            b = values[j]
            cells = (a & b, a & (FULL ^ b), (FULL ^ a) & b, (FULL ^ a) & (FULL ^ b))
            mixed = [cell for cell in cells if cell & table and cell & complement]
            for k in range(j + 1, len(values)):
                differing = values[k] ^ table
                if all(differing & cell in (0, cell) for cell in mixed):
                    return [pool[i], pool[j], pool[k]]
    return None


# Splits by one input x with f = T(x, g, h): the cofactors themselves (a multiplexer),
# or one cofactor and the xor of both (f0 ^ (x & d), f1 ^ (~x & d)); the xor forms only
# this many levels deep, to keep the search short.
XOR_SPLIT_DEPTH = 2


# A choice, as the plan records it: ["existing", a, b, c] (one operation on three
# existing names), ["input", s, kind] (split by input s: kind 0 the cofactors, 1 their
# xor and the low one, 2 the high one and their xor) or ["pair", y, z].

def split_parts(table, choice):
    """The functions a choice builds first, in order."""
    if choice[0] == "input":
        _, s, kind = choice
        high, low = cofactor(table, s, 1), cofactor(table, s, 0)
        return [(high, low), (high ^ low, low), (high, high ^ low)][kind]
    _, y, z = choice
    parts = {cofactor(cofactor(table, y, a), z, b) for a in (0, 1) for b in (0, 1)} - {0, FULL}
    return (parts.pop(),)


def take_choice(circuit, table, choice, depth, plan):
    """Builds `table` in `circuit` the way `choice` says; returns its ref."""
    if choice[0] == "existing":
        refs = [(name, False) for name in choice[1:]]
    else:
        inner = [build_function(circuit, part, depth + 1, plan) for part in split_parts(table, choice)]
        selects = [(f"x{v}", False) for v in choice[1:2 if choice[0] == "input" else 3]]
        refs = selects + inner
    ref = circuit.add(function_imm(table, [circuit.value(r) for r in refs]), refs)
    circuit.choices[table] = choice
    return ref


def candidate_choices(circuit, table, inputs, depth):
    """What the search tries, in order: three existing nodes (taken when found; at the top
    only for the gates round, where such a node may cost several operations), then every
    split by one input, then every pair of inputs that fits."""
    if depth == 0 or circuit.node_cost is TERNARY_NODE_COST:
        names = existing_operands(circuit, table)
        if names:
            return [["existing"] + names]
    choices = []
    for s in inputs:
        choices += [["input", s, kind] for kind in (range(3) if depth < XOR_SPLIT_DEPTH else range(1))]
    for y, z in itertools.combinations(inputs, 2):
        parts = {cofactor(cofactor(table, y, a), z, b) for a in (0, 1) for b in (0, 1)} - {0, FULL}
        if len({canonical(part) for part in parts}) == 1:
            choices.append(["pair", y, z])
    return choices


def build_function(circuit, table, depth=0, plan=None):
    """Adds `table` to `circuit` and returns its ref: by the plan's choice when given one,
    else by the cheapest of the candidate choices."""
    found = circuit.find(table)
    if found:
        return found
    inputs = support(table)
    if len(inputs) <= 3:
        refs = [(f"x{v}", False) for v in (inputs + [0, 1, 2])[:3]]
        return circuit.add(function_imm(table, [VAR_TABLES[v] for v in (inputs + [0, 1, 2])[:3]]), refs)
    if plan is not None:
        return take_choice(circuit, table, plan[table], depth, plan)
    best = None
    for choice in candidate_choices(circuit, table, inputs, depth):
        trial = circuit.copy()
        ref = take_choice(trial, table, choice, depth, None)
        if best is None or trial.cost < best[0].cost:
            best = (trial, ref)
    circuit.__dict__.update(best[0].__dict__)
    return best[1]


def resolve_complements(circuit, roots):
    """Plain Circuit form: negated operands folded into imms, every root made positive."""
    flip = set()
    for name, negated in roots:
        assert name.startswith("t") or not negated, "a negated input as an output"
        if negated:
            flip.add(name)
    plain = Circuit()
    for index, (imm, refs) in enumerate(circuit.nodes):
        name = f"t{index}"
        for k, (operand, negated) in enumerate(refs):
            if negated != (operand in flip):
                imm = complement_operand(imm, k)
        if name in flip:
            imm ^= 0xFF
        plain.nodes.append((imm, refs[0][0], refs[1][0], refs[2][0]))
    for index, (imm, a, b, c) in enumerate(plain.nodes):
        plain.table_of[f"t{index}"] = ternary_table(imm, plain.table_of[a], plain.table_of[b], plain.table_of[c])
    return plain, [name for name, _ in roots]


def build_box(tables, node_cost, plan=None):
    """The cheapest circuit over all orders of the outputs (or the plan's order and
    choices), in the plain form, and the plan that rebuilds it."""
    best = None
    orders = [plan["order"]] if plan else itertools.permutations(range(4))
    choices = {int(table, 16): choice for table, choice in plan["choices"].items()} if plan else None
    for order in orders:
        circuit = ComplementCircuit(node_cost)
        roots = [None] * 4
        for out in order:
            roots[out] = build_function(circuit, tables[out], plan=choices)
        if best is None or circuit.cost < best[0].cost:
            best = (circuit, roots, list(order))
    circuit, roots, order = best
    used = {f"{table:016x}": choice for table, choice in sorted(circuit.choices.items())}
    return resolve_complements(circuit, roots), {"order": order, "choices": used}


def complement_operand(imm, k):
    """imm of the same function when operand k (0 = first) arrives complemented."""
    bit = 4 >> k
    return sum(((imm >> (i ^ bit)) & 1) << i for i in range(8))


def choose_polarities(plain, roots):
    """For the gates round: stores a node complemented wherever that makes its own and its
    readers' formulas cheaper in sum (a ternary round gets complements for free)."""
    nodes = [list(node) for node in plain.nodes]
    readers = {f"t{i}": [] for i in range(len(nodes))}
    for i, (_, *operands) in enumerate(nodes):
        for k, operand in enumerate(operands):
            if operand in readers:
                readers[operand].append((i, k))
    improved = True
    while improved:
        improved = False
        for i, node in enumerate(nodes):
            name = f"t{i}"
            if name in roots:
                continue
            changes = [(i, node[0], node[0] ^ 0xFF)]
            for reader, k in readers[name]:
                imm = nodes[reader][0]
                for j, (index, _, new) in enumerate(changes):  # a reader may read it twice
                    if index == reader:
                        imm = new
                        changes.pop(j)
                        break
                changes.append((reader, nodes[reader][0], complement_operand(imm, k)))
            if sum(gate_cost(new) - gate_cost(old) for _, old, new in changes) < 0:
                for index, _, new in changes:
                    nodes[index][0] = new
                improved = True
    flipped = Circuit()
    for imm, a, b, c in nodes:
        flipped.table_of[f"t{len(flipped.nodes)}"] = ternary_table(imm, flipped.table_of[a], flipped.table_of[b],
                                                                     flipped.table_of[c])
        flipped.nodes.append((imm, a, b, c))
    return flipped


# What a node costs while the circuits are built: one vpternlog; or the cheaper formula of
# its function and of its complement (choose_polarities settles which one is stored).
TERNARY_NODE_COST = lambda imm: 1  # noqa: E731
GATES_NODE_COST = lambda imm: min(gate_cost(imm), gate_cost(imm ^ 0xFF))  # noqa: E731


def check(circuit, roots, tables):
    for out in range(4):
        assert circuit.table_of[roots[out]] == tables[out], "circuit differs from the S-box"


# ---- Emission

# The engine's names of the formula operations (vector_ops_*.h and the DES sources).
OPERATION_NAMES = {"and": "bitAnd", "or": "bitOr", "xor": "bitXor", "andnot": "bitAndNot", "not": "bitNot"}


def emit_gates(imm, a, b, c, name, lines, counter):
    """Lines computing `name` from a, b, c by the cheapest formula of imm."""
    symbols = {0xF0: a, 0xCC: b, 0xAA: c, 0x00: "Ops::zero()", 0xFF: "Ops::ones()"}

    def expand(table):
        if table in symbols:
            return symbols[table]
        _, how = FORMULAS[table]
        operands = [expand(t) for t in how[1:]]
        temp = f"{name}_{counter[0]}"
        counter[0] += 1
        lines.append(f"        const V {temp} = Ops::{OPERATION_NAMES[how[0]]}({', '.join(operands)});")
        symbols[table] = temp
        return temp

    lines.append(f"        const V {name} = {expand(imm)};")


def operand(name):
    return {"zero": "Ops::zero()", "ones": "Ops::ones()"}.get(name, name)


def permute_operands(imm, order):
    """imm of the same function with its operands taken in `order` (new position k reads
    old operand order[k])."""
    result = 0
    for index in range(8):
        new_bits = [(index >> (2 - k)) & 1 for k in range(3)]
        old_bits = [0, 0, 0]
        for k, old in enumerate(order):
            old_bits[old] = new_bits[k]
        if (imm >> (4 * old_bits[0] + 2 * old_bits[1] + old_bits[2])) & 1:
            result |= 1 << index
    return result


def destination_first(circuit, roots):
    """The nodes with an operand that is read for the last time there moved to the front:
    vpternlog overwrites its first operand, so a node whose first operand is still needed
    costs a register copy."""
    last_use = {}
    for index, (_, *operands) in enumerate(circuit.nodes):
        for name in operands:
            last_use[name] = index
    for name in roots:
        last_use[name] = len(circuit.nodes)  # read by the xor into the left half
    reordered = Circuit()
    for index, (imm, *operands) in enumerate(circuit.nodes):
        dying = [k for k, name in enumerate(operands)
                 if last_use.get(name) == index and name not in ("zero", "ones") and operands.count(name) == 1]
        if dying and dying[0] != 0:
            first = dying[0]
            order = [first] + [k for k in range(3) if k != first]
            imm, operands = permute_operands(imm, order), [operands[k] for k in order]
        reordered.table_of[f"t{index}"] = ternary_table(imm, *[reordered.table_of[n] for n in operands])
        reordered.nodes.append((imm, *operands))
    return reordered


def emit_round(style, boxes, e_table, p_table, cost_of):
    """The round function left ^= f(right, key) in `style` ("Ternary" or "Gates")."""
    lines = [f"// left[j-1] ^= bit j of f(right, round key), bit j of a half being its slice j-1;",
             f"// key[i-1] is the mask (all ones or zero) of round key bit i.",
             f"template <class Ops, class V>",
             f"inline void feistel{style}(V* left, const V* right, const typename Ops::Key* key) {{"]
    for box, (circuit, roots) in enumerate(boxes):
        cost = sum(cost_of(imm) for imm, *_ in circuit.nodes)
        lines.append(f"    {{  // S-box {box + 1}: {len(circuit.nodes)} nodes, {cost} operations")
        for i in range(6):
            bit = 6 * box + i
            lines.append(f"        const V x{i} = Ops::keyed(right[{e_table[bit] - 1}], key[{bit}]);")
        counter = [0]
        for index, (imm, a, b, c) in enumerate(circuit.nodes):
            a, b, c = operand(a), operand(b), operand(c)
            if style == "Ternary":
                lines.append(f"        const V t{index} = Ops::template ternary<0x{imm:02X}>({a}, {b}, {c});")
            else:
                emit_gates(imm, a, b, c, f"t{index}", lines, counter)
        for out in range(4):
            j = p_table.index(4 * box + out + 1) + 1
            lines.append(f"        left[{j - 1}] = Ops::bitXor(left[{j - 1}], {operand(roots[out])});")
        lines.append("    }")
    lines.append("}")
    return lines


def plan_text(plan):
    """The plan as JSON, each choice and each order on one line."""
    text = json.dumps(plan, indent=1)
    return re.sub(r"\[\s+([^\[\]]*?)\s+\]", lambda m: "[" + " ".join(m.group(1).split()) + "]", text) + "\n"


def check_file(path, text):
    """0 when `path` holds `text`, else 1 and the first lines that differ."""
    held = path.read_text()
    if held == text:
        return 0
    diff = difflib.unified_diff(held.splitlines(), text.splitlines(), str(path), "generated", lineterm="")
    print("\n".join(list(diff)[:40]), file=sys.stderr)
    print(f"{path} differs from the generator's output; regenerate: {COMMAND}", file=sys.stderr)
    return 1


def main():
    search = "--search" in sys.argv[1:]
    plan = None if search else json.loads(PLAN.read_text())
    new_plan = {"ternary": [], "gates": []}
    sboxes, e_table, p_table = load_tables()
    out = [f"// Generated from des_tables.h by tools/gen/des_sbox_circuits.py; do not edit. Regenerate:",
           f"//   {COMMAND}",
           "//",
           "// The DES round function over bit slices, as circuits of three-input nodes (see the",
           "// generator). Ops supplies the vector type's operations: ternary<imm> (vpternlog",
           "// semantics), or bitAnd, bitOr, bitXor, bitAndNot (~a & b), bitNot; zero, ones, and keyed",
           "// (xor with a key mask).",
           "#pragma once",
           "",
           "namespace kelvane::des {",
           ""]
    ternary_boxes = []
    gates_boxes = []
    for box in range(8):
        tables = [output_table(sboxes[box], o) for o in range(4)]
        (circuit, roots), box_plan = build_box(tables, TERNARY_NODE_COST, plan and plan["ternary"][box])
        new_plan["ternary"].append(box_plan)
        circuit = destination_first(circuit, roots)
        check(circuit, roots, tables)
        ternary_boxes.append((circuit, roots))
        (circuit, roots), box_plan = build_box(tables, GATES_NODE_COST, plan and plan["gates"][box])
        new_plan["gates"].append(box_plan)
        gates = choose_polarities(circuit, roots)
        check(gates, roots, tables)
        gates_boxes.append((gates, roots))
    for style, boxes, cost_of in (("Ternary", ternary_boxes, lambda imm: 1), ("Gates", gates_boxes, gate_cost)):
        total = sum(cost_of(imm) for circuit, _ in boxes for imm, *_ in circuit.nodes)
        print(f"{style}: {total} operations per round", file=sys.stderr)
        out += emit_round(style, boxes, e_table, p_table, cost_of) + [""]
    out.append("}  // namespace kelvane::des")
    text = "\n".join(out) + "\n"
    if "--check" in sys.argv[1:]:
        return check_file(Path(sys.argv[sys.argv.index("--check") + 1]), text)
    sys.stdout.write(text)
    if search:
        PLAN.write_text(plan_text(new_plan))


if __name__ == "__main__":
    sys.exit(main())
