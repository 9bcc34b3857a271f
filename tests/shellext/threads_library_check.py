#!/usr/bin/env python3
"""threads_library_check.py OBJDUMP NM LIBRARY SYMBOLS MAP

Explorer calls the plug-in on threads of its own and unloads it all day. The
toolchain's threads library keeps a record with two handles for every thread
that touches it, and the C++ runtime reaches that library through guarded
statics, thread_local variables, std::mutex, std::thread and the like; none
of it is given back when the plug-in goes. So none of the plug-in's own code
may lead there.

From the linker's map this tells the plug-in's own functions (from objects
of the build tree) from the runtime's (objects of the toolchain), and from
the disassembly of the built library it follows every direct call and jump;
the functions' names and addresses come from SYMBOLS (the shipped library
keeps its symbols in a file of their own; it may be the library itself).
It fails when a path leads from the plug-in's code into the threads library,
the emulated thread-local storage or the static-initialisation guards. Paths
that only run while an exception is thrown or caught are not followed: the
runtime keeps its exception state per thread that way, and the plug-in throws
only when something has already failed."""

import bisect
import collections
import re
import subprocess
import sys

# The parts of the toolchain that keep state per thread.
SINK_OBJECT = re.compile(r'libwinpthread|emutls|\(guard\.o\)|\(thread\.o\)|\(condition_variable\.o\)|\(mutex\.o\)')
# Raising, catching and unwinding an exception.
THROWING = re.compile(r'^(__cxa_(throw|rethrow|begin_catch|end_catch|allocate_exception|allocate_dependent_exception|'
                      r'free_exception|free_dependent_exception|get_globals|get_globals_fast|call_unexpected|'
                      r'current_exception_type|demangle)|_Unwind_|__gxx_personality|_ZSt\d+__throw_|_ZSt9terminate|'
                      r'_ZSt10unexpected|_ZN10__cxxabiv1)')


def sections(map_path):
    """(start, end, object) of every code section the linker placed."""
    found = []
    placing = False
    name = re.compile(r'^ (\.text\S*)(.*)$')
    entry = re.compile(r'^\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$')
    with open(map_path, errors='replace') as lines:
        waiting = False  # a long section name stands alone, its place on the next line
        for line in lines:
            line = line.rstrip('\n')
            if not placing:
                placing = line.startswith('Linker script and memory map')
                continue
            m = name.match(line)
            if m:
                waiting = not m.group(2).strip()
                line = m.group(2)
            elif not waiting:
                continue
            else:
                waiting = False
            m = entry.match(line)
            if m and int(m.group(2), 16) > 0:
                start = int(m.group(1), 16)
                found.append((start, start + int(m.group(2), 16), m.group(3).strip()))
    return sorted(found)


def main(objdump, nm, library, symbols, map_path):
    placed = sections(map_path)
    starts = [s for s, _, _ in placed]

    def origin(address):
        i = bisect.bisect_right(starts, address) - 1
        return placed[i][2] if i >= 0 and address < placed[i][1] else ''

    # Functions by their first address. Code without a name of its own is
    # named after its section, and a name that several local functions
    # share, after its address too.
    names = {}
    listing = subprocess.run([nm, symbols], capture_output=True, text=True, check=True).stdout
    for line in listing.splitlines():
        parts = line.split(None, 2)
        if len(parts) != 3 or parts[1] not in 'tTwW':
            continue
        address, name = int(parts[0], 16), parts[2]
        if name.startswith('.'):
            names.setdefault(address, '%s@%x' % (name, address))
        elif address not in names or names[address].startswith('.'):
            names[address] = name
    taken = collections.Counter(names.values())
    names = {a: n if taken[n] == 1 else '%s@%x' % (n, a) for a, n in names.items()}
    addresses = sorted(names)

    def function_at(address):
        i = bisect.bisect_right(addresses, address) - 1
        return names[addresses[i]] if i >= 0 else None

    # 32-bit names carry one more leading underscore.
    header = subprocess.run([objdump, '-f', library], capture_output=True, text=True).stdout
    leading = '_' if 'format pei-i386' in header else ''
    # Every direct call and jump, from the function that holds it to the
    # function whose code holds its target.
    disassembly = subprocess.run([objdump, '-d', '--no-show-raw-insn', library], capture_output=True, text=True,
                                 check=True).stdout
    instruction = re.compile(r'^\s*([0-9a-f]+):\s+(?:call|jmp|j[a-z]+)\w*\s+(?:0x)?([0-9a-f]+)\b')
    targets = collections.defaultdict(set)
    for line in disassembly.splitlines():
        m = instruction.match(line)
        if m:
            targets[function_at(int(m.group(1), 16))].add(int(m.group(2), 16))

    where = {names[a]: origin(a) for a in addresses}
    calls = collections.defaultdict(set)
    for caller, aims in targets.items():
        for aim in aims:
            callee = function_at(aim)
            if caller and callee and callee != caller:
                calls[caller].add(callee)

    def plain(name):
        return name[len(leading):] if leading and name.startswith(leading) else name

    def ours(name):
        return bool(where.get(name)) and not where[name].startswith('/')

    # Everything that reaches a sink, found backwards from the sinks.
    callers = collections.defaultdict(set)
    for caller, callees in calls.items():
        for callee in callees:
            callers[callee].add(caller)
    next_step = {name: None for name, obj in where.items() if SINK_OBJECT.search(obj)}
    queue = collections.deque(next_step)
    while queue:
        name = queue.popleft()
        for caller in callers[name]:
            if caller in next_step or THROWING.match(plain(caller)) or SINK_OBJECT.search(where.get(caller, '')):
                continue
            next_step[caller] = name
            queue.append(caller)

    faults = []
    for name in sorted(n for n in next_step if ours(n)):
        path = [name]
        while next_step[path[-1]] is not None:
            path.append(next_step[path[-1]])
        faults.append(' -> '.join(path) + '  [' + where.get(path[-1], '?') + ']')
    for fault in faults:
        print('reaches the threads library: ' + fault)
    print('%d functions of our own checked, %d reach it' % (sum(1 for n in where if ours(n)), len(faults)))
    return 1 if faults or not any(ours(n) for n in where) else 0


if __name__ == '__main__':
    if len(sys.argv) != 6:
        sys.exit(__doc__.splitlines()[0])
    sys.exit(main(*sys.argv[1:]))
