#!/usr/bin/env python3
# Writes the program tests of this directory: run it after changing a case, and commit
# the .tasm, .out, .exit, .err and .env files it writes (python3 make_cases.py).
# Generates object program tests (tasm) from short descriptions.
import os, sys
OUT = '/work/main/tests/programs/objects'

class Prog:
    def __init__(self, comment, errlist=False, trap=True):
        self.code = []; self.data = []; self.strings = {}
        self.comment = comment
        self.c('PUSHI 12', 'CALLSTD 65')
        if errlist:
            self.c('PUSHI 20', 'PUSHI -1', 'STOREW', 'PUSHI 20', 'PUSHI 280', 'CALLSTD 170')
        if not trap:
            self.c('PUSH0', 'CALLSTD 171')
    def c(self, *lines, note=None):
        for i, l in enumerate(lines):
            self.code.append('        ' + l + (('    ; ' + note) if note and i == 0 else ''))
    def s(self, text):
        if text not in self.strings:
            lbl = 's%d' % len(self.strings)
            self.strings[text] = lbl
            esc = text.replace('\\', '\\\\').replace('"', '\\"').replace('\n', '\\n')
            self.data.append('%s: .ascii "%s"' % (lbl, esc))
        self.c('PUSHI @' + self.strings[text], 'PUSHI %d' % len(text.encode('latin-1')), 'LOADV 1')
    def arg(self, a):
        k = a[0]
        if k == 's': self.s(a[1]); self.c('PUSHI 30')
        elif k == 'i': self.c('PUSHI %d' % a[1], 'PUSHI 3')
        elif k == 'b': self.c('PUSHI %d' % a[1], 'PUSHI 11')
        elif k == 'y': self.c('PUSHI %d' % a[1], 'PUSHI 17')
        elif k == 'w': self.c('PUSHI %d' % a[1], 'PUSHI 19')
        elif k == 'r': self.c('PUSHR %s' % a[1], 'PUSHI 5')
        elif k == 'o': self.c('PUSHI %d' % a[1], 'LOADW', 'PUSHI 73')
        elif k == 'ow': self.c('PUSHI %d' % a[1], 'PUSHI 73')
        elif k == 'omit': self.c('PUSH0')
        elif k == 'null': self.c('PUSH0', 'PUSHI 1')
        elif k == 'raw': self.c(*a[1])
        else: raise Exception(k)
    def create(self, var, progid, check=True):
        self.c('PUSHI %d' % var, note="v%d := createobject('%s')" % (var, progid)); self.s(progid); self.c('CALLSTD 172')
        if check: self.c('CHKERR')
        self.c('STOREW')
    def get(self, var, member, check=True):
        self.c('PUSHI %d' % var, note='v%d.%s' % (var, member)); self.s(member); self.c('CALLSTD 174')
        if check: self.c('CHKERR')
    def call(self, var, member, args, func=True, check=True):
        self.c('PUSHI %d' % var, note='v%d.%s(%d arguments)' % (var, member, len(args))); self.s(member)
        for a in args: self.arg(a)
        self.c('PUSHI %d' % len(args), 'CALLSTD %d' % (175 if func else 176))
        if check: self.c('CHKERR')
    def put(self, var, member, a, check=True):
        self.c('PUSHI %d' % var, note='v%d.%s := ...' % (var, member)); self.s(member); self.arg(a); self.c('CALLSTD 177')
        if check: self.c('CHKERR')
    def out(self): self.c('PUSHI 12', note='writeln(...)')
    def write_var_string(self):  # variant on stack (after out())
        self.c('VARCVT 30', 'PUSH0', 'CALLSTD 61', 'PUSHI 12', 'CALLSTD 60')
    def write_int(self):
        self.c('PUSH1', 'CALLSTD 59', 'PUSHI 12', 'CALLSTD 60')
    def write_text(self, t):
        self.out(); self.s(t); self.c('PUSH0', 'CALLSTD 61', 'PUSHI 12', 'CALLSTD 60')
    def ioresult(self):
        # Taken before anything is written: every file operation clears the pending error.
        self.out(); self.c('PUSHI 32', 'LOADW'); self.write_int()
    def take_io(self):
        self.c('PUSHI 32', 'CALLSTD 98', 'STOREW', note='[32] := ioresult')
    def isnull_write(self):
        self.c('CALLSTD 169'); self.take_io(); self.write_int()
    def dispose(self, var, check=True):
        self.c('PUSHI %d' % var, 'CALLSTD 173', note='dispose(v%d)' % var)
        if check: self.c('CHKERR')
    def save(self, name, out, exit=0, err=None, env=None):
        self.c('CALLSTD 94')
        lines = ['; ' + l for l in self.comment.split('\n')]
        lines += ['; Globals: [12] output, [16] [24] [28] [32] objects, [20] the error list.',
                  '.entry main', '.globals 64', '.data'] + self.data + ['.code', 'main:'] + self.code
        open(os.path.join(OUT, name + '.tasm'), 'w').write('\n'.join(lines) + '\n')
        open(os.path.join(OUT, name + '.out'), 'wb').write(out.encode('latin-1'))
        for ext, content in (('exit', str(exit) + '\n' if exit else None), ('err', err), ('env', env)):
            p = os.path.join(OUT, name + '.' + ext)
            if content is None:
                if os.path.exists(p): os.remove(p)
            else: open(p, 'w').write(content)

OK = 'testserver: 0 objects alive\n'

# ---- Methods with 0 to 8 arguments, and every argument type --------------------------
p = Prog("Methods with 0 to 8 arguments (Sum0 .. Sum8), function and procedure calls, and one\n"
         "argument of each variant type code (Join lists them as the server received them).")
p.create(16, 'Tarn.Test')
expect = ''
for n in range(9):
    p.out(); p.call(16, 'Sum%d' % n, [('i', 10 * (k + 1)) for k in range(n)]); p.c('VARCVT 3'); p.write_int()
    expect += '%d\n' % sum(10 * (k + 1) for k in range(n))
p.call(16, 'Sum3', [('i', 1), ('i', 2), ('i', 3)], func=False)       # a procedure call: no result
p.create(24, 'Tarn.Test')
p.out(); p.call(16, 'Join', [('s', 'text'), ('i', -7), ('b', 1), ('y', 200), ('w', -1), ('r', '2.5'), ('omit',), ('o', 24)])
p.write_var_string()
expect += 'text,-7,true,200b,4294967295u,2.5,omitted,object\n'
p.out(); p.call(16, 'Join', [('null',), ('b', 0), ('ow', 0)]); p.write_var_string()
expect += 'null,false,nothing\n'
p.out(); p.call(16, 'TypeOf', [('y', 7)]); p.c('VARCVT 3'); p.write_int()
expect += '17\n'
p.save('methods', expect, err=OK)

# ---- Results of every automation type -------------------------------------------------
p = Prog("Results of each automation type the engine converts, read as strings (VARCVT 30),\n"
         "integers (VARCVT 3) and isnull; error trapping is off, so a conversion failure\n"
         "shows as ioresult 45 and a null value.", trap=False)
p.create(16, 'Tarn.Test')
expect = ''
as_text = [(2, '-12345'), (3, '-2000000000'), (22, '77'), (4, '1.5'), (5, '3.25'), (6, '-123.4567'),
           (7, '1999-12-31 18:00:00'), (8, 'W?x\xe9'), (11, 'True'), (14, '-1234.5'), (16, 'True'),
           (17, '200'), (18, '65535'), (19, '4000000000'), (23, '4000000000'), (20, '-9000000000000'),
           (21, '18000000000000000000'), (64, '1970-01-01 00:00:00')]
for code, text in as_text:
    p.out(); p.call(16, 'Make', [('i', code)]); p.write_var_string(); expect += text + '\n'
p.out(); p.call(16, 'Make', [('i', 17)]); p.c('VARCVT 3'); p.write_int(); expect += '200\n'
p.out(); p.call(16, 'Make', [('i', 1)]); p.isnull_write(); expect += '1\n'
p.out(); p.call(16, 'Make', [('i', 3)]); p.isnull_write(); expect += '0\n'
for code in (0, 24, 10, 12, 13, 26, 65, 66, 1000, 1001, 1002, 99):
    p.out(); p.call(16, 'Make', [('i', code)]); p.isnull_write(); p.ioresult(); expect += '1\n45\n'
# an object result becomes a new record; Nothing becomes nil
p.c('PUSHI 24'); p.call(16, 'Make', [('i', 9)]); p.c('VARCVT 73', 'STOREW')
p.out(); p.get(24, 'Name'); p.write_var_string(); expect += 'unnamed\n'
p.c('PUSHI 28'); p.call(16, 'Make', [('i', 1003)]); p.c('VARCVT 73', 'STOREW')
p.out(); p.c('PUSHI 28', 'LOADW'); p.write_int(); expect += '0\n'
p.save('results', expect, err=OK)

# ---- Failures of member access: recoverable errors 41-47 ------------------------------
p = Prog("Failed member accesses with error trapping off: each records its error number\n"
         "(ioresult) and a property read or function yields null.", trap=False)
p.create(16, 'Tarn.Test')
p.create(24, 'Tarn.Throw')
expect = ''
steps = [
    (lambda: (p.out(), p.get(16, 'NoSuchMember'), p.isnull_write()), '1\n', 41),
    (lambda: (p.out(), p.call(16, 'NoSuchMember', [('i', 1)]), p.isnull_write()), '1\n', 42),
    (lambda: p.call(16, 'NoSuchMember', [('i', 1)], func=False), '', 43),
    (lambda: p.put(16, 'NoSuchMember', ('i', 1)), '', 44),
    (lambda: p.put(16, 'ReadOnly', ('i', 1)), '', 44),
    (lambda: (p.out(), p.call(16, 'Sum2', [('i', 1), ('i', 2), ('i', 3)]), p.isnull_write()), '1\n', 42),
    (lambda: p.call(16, 'Required', [('i', 1), ('omit',)], func=False), '', 43),
    (lambda: p.put(16, 'Name', ('i', 5)), '', 44),
    (lambda: p.call(16, 'Fail', [('s', 'boom')], func=False), '', 47),
    (lambda: (p.out(), p.call(16, 'Nothing', []), p.isnull_write()), '1\n', 45),
    (lambda: (p.out(), p.call(24, 'Anything', []), p.isnull_write()), '1\n', 47),
    (lambda: p.call(24, 'Unknown', [], func=False), '', 47),
    (lambda: p.call(16, 'FailCode', [('i', -26)], func=False), '', 43),
]
for step, out, number in steps:
    step()
    if not out: p.take_io()
    p.ioresult(); expect += out + '%d\n' % number
p.out(); p.get(16, 'Number'); p.c('VARCVT 3'); p.write_int(); expect += '0\n'   # still usable
p.save('member_failures', expect, err=OK)

# ---- The description of each failure, as CHKERR reports it with an error list ---------
def fatal(name, comment, body, lines, with_ok=True):
    p = Prog(comment, errlist=True)
    body(p)
    out = ''.join('\nERROR: %s\n' % l for l in lines[:-1]) + '\nERROR: %s\n' % lines[-1]
    p.save(name, out, exit=1, err=OK if with_ok else None)

fatal('err_member_not_found', "A property read of a member the object does not have.",
      lambda p: (p.create(16, 'Tarn.Test'), p.get(16, 'Colour')), ['Member not found'])
fatal('err_bad_param_count', "A method called with too many arguments.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Sum1', [('i', 1), ('i', 2)])),
      ['Invalid number of parameters in method call'])
fatal('err_param_not_optional', "A required argument left out (PUSH0 alone) in a procedure call.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Required', [('omit',), ('omit',)], func=False)),
      ['Parmeter is not optional'])
fatal('err_exception_text', "A member that raises an exception with a description: error 47 with that text.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Fail', [('s', 'disk quota exceeded')], func=False)),
      ['disk quota exceeded'])
fatal('err_exception_plain', "A member that raises an exception without a description.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Fail', [], func=False)), ['Object raised exception'])
fatal('err_server_throws', "A C++ server that lets std::runtime_error escape from invoke.",
      lambda p: (p.create(16, 'Tarn.Throw'), p.get(16, 'Size')), ['disk on fire'], with_ok=False)
fatal('err_no_value', "A method that returns nothing, called as a function.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Nothing', [])), ['Call did not return a value'])
fatal('err_put_failed', "A property put of the wrong type (the server answers type mismatch).",
      lambda p: (p.create(16, 'Tarn.Test'), p.put(16, 'Name', ('r', '1.5'))), ['Attempt to call method failed'])
fatal('err_function_failed', "A function method that fails with a result the engine has no text for.",
      lambda p: (p.create(16, 'Tarn.Test'), p.put(16, 'Number', ('i', -1)),
                 p.call(16, 'FailCode', [('i', -24)])), ['Attempt to call method failed'])
fatal('err_bad_decimal', "A decimal result with no real value.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Make', [('i', 1001)])),
      ['Decimal value could not be converted to real'])
fatal('err_bad_date', "A date result with no text form.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Make', [('i', 1000)])),
      ['Value could not be converted to string'])
fatal('err_array_result', "An array result: not a value a program can hold.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Make', [('i', 1002)])), ['Invalid value'])
fatal('err_unknown_result', "A result of a type code no automation type has.",
      lambda p: (p.create(16, 'Tarn.Test'), p.call(16, 'Make', [('i', 99)])), ['Unknown value'])

# createobject failures: error 40
def create_fail(name, comment, progid, lines, with_ok=False, env=None):
    p = Prog(comment, errlist=True)
    p.create(16, progid)
    out = ''.join('\nERROR: 40 (createobject) %s\n' % l for l in lines[:-1]) + '\nERROR: %s\n' % lines[-1]
    p.save(name, out, exit=1, err=OK if with_ok else None, env=env)

create_fail('err_class_not_registered', "createobject of a ProgID no registry lists.", 'Tarn.Nowhere',
            ['Class not registered'])
create_fail('err_class_not_served', "A ProgID the registry lists but whose server does not make.",
            'Tarn.Test.Other', ['Class not registered'], with_ok=True)
create_fail('err_invalid_class_id', "createobject of a text that is no ProgID.", 'no such class!',
            ['Invalid class id'])
create_fail('err_no_interface', "A factory that answers: no dispatch interface.", 'Tarn.Test.NoInterface',
            ['Class does not support IDispatch interface'], with_ok=True)
create_fail('err_factory_fails', "A factory that fails but hands out an object anyway (released).",
            'Tarn.Test.Fails', ['CreateObject failed'], with_ok=True)
create_fail('err_factory_nothing', "A factory that succeeds without an object.", 'Tarn.Test.Nothing',
            ["the factory of 'Tarn.Test.Nothing' returned no object", 'CreateObject failed'], with_ok=True)
create_fail('err_factory_throws', "A C++ factory that throws.", 'Tarn.Throw.Factory',
            ["the factory of 'Tarn.Throw.Factory' threw: no licence for this class", 'CreateObject failed'])
create_fail('err_missing_server', "A registered server library that is not there.", 'Tarn.Missing',
            ["cannot load the server of 'Tarn.Missing': libtarn-no-such-server.so: cannot open shared object file: No such file or directory",
             'CreateObject failed'], env='TARN_AUTOMATION_REGISTRY=@CASEDIR@/servers.conf\n')
create_fail('err_no_factory', "A registered library that exports no factory.", 'Tarn.NoFactory',
            ['the server libm.so.6 does not export tarn_create_object', 'CreateObject failed'],
            env='TARN_AUTOMATION_REGISTRY=@CASEDIR@/servers.conf\n')

# ---- A registry with bad lines ----------------------------------------------------------
p = Prog("A registry file with bad lines: the good lines still work; a ProgID on a bad line is\n"
         "not registered (error 40; without an error list CHKERR reports the number's message).")
p.create(16, 'Tarn.Dictionary')
p.out(); p.get(16, 'Count'); p.c('VARCVT 3'); p.write_int()
p.create(24, 'Tarn.Broken')
p.save('registry_bad_lines', '0\n\nERROR: Object create failure\n', exit=1,
       env='TARN_AUTOMATION_REGISTRY=@CASEDIR@/bad_lines.conf\n')

p = Prog("TARN_AUTOMATION_REGISTRY naming a file that does not exist: nothing is registered.", trap=False)
p.create(16, 'Tarn.Test', check=False)
p.take_io(); p.ioresult(); p.out(); p.c('PUSHI 16', 'LOADW'); p.write_int()
p.save('registry_missing_file', '40\n0\n', env='TARN_AUTOMATION_REGISTRY=@CASEDIR@/no-such-registry.conf\n')

# ---- Fatal misuse of object variables ------------------------------------------------------
def misuse(name, comment, body, message):
    p = Prog(comment)
    body(p)
    p.save(name, '\nERROR: %s\n' % message, exit=1)

misuse('err_access_undefined', "A member read through an object variable that was never assigned.",
       lambda p: (p.c('PUSHI 16', 'PUSHI -1', 'STOREW'), p.get(16, 'Name')), 'Accessing undefined object')
misuse('err_access_nil', "A method call through a nil object variable.",
       lambda p: (p.c('PUSHI 16', 'PUSH0', 'STOREW'), p.call(16, 'Sum0', [], func=False)), 'Accessing nil object')
misuse('err_access_forged', "An object variable holding an address that is no object record (a forged\n"
       "reference never reaches host memory).",
       lambda p: (p.c('PUSHI 16', 'PUSHI 40', 'STOREW'), p.put(16, 'Name', ('s', 'x'))),
       'Internal failure: Object reference is NULL')
misuse('err_access_empty_record', "A member read through a record made by routine 151 (no object behind it).",
       lambda p: (p.c('PUSHI 16', 'PUSHI 4', 'PUSH0', 'CALLSTD 151'), p.get(16, 'Name')),
       'Internal failure: Object reference is NULL')
misuse('err_access_after_dispose', "A member read through a copy of a disposed object's reference.",
       lambda p: (p.create(16, 'Tarn.Test'), p.c('PUSHI 24', 'PUSHI 16', 'LOADW', 'STOREW'), p.dispose(16),
                  p.get(24, 'Name')), 'Internal failure: Object reference is NULL')
misuse('err_dispose_undefined', "dispose of an object variable that was never assigned.",
       lambda p: (p.c('PUSHI 16', 'PUSHI -1', 'STOREW'), p.dispose(16)), 'Disposing undefined object')
misuse('err_dispose_nil', "dispose of a nil object variable.",
       lambda p: (p.c('PUSHI 16', 'PUSH0', 'STOREW'), p.dispose(16)), 'Disposing nil object')
misuse('err_dispose_twice', "A second dispose: the first left the variable undefined.",
       lambda p: (p.create(16, 'Tarn.Test'), p.dispose(16), p.dispose(16)), 'Disposing undefined object')
misuse('err_convert_object', "An object result converted to a string.",
       lambda p: (p.create(16, 'Tarn.Test'), p.out(), p.call(16, 'Child', []), p.write_var_string()),
       'Can not convert object reference')
misuse('err_convert_null', "A null result converted to an integer.",
       lambda p: (p.create(16, 'Tarn.Test'), p.out(), p.call(16, 'Make', [('i', 1)]), p.c('VARCVT 3')),
       'Attempt to access NULL value')

# ---- Reference counts --------------------------------------------------------------------
p = Prog("Reference counts: objects made by the server (Child), passed as arguments (Same, Keep),\n"
         "disposed, and left to the end of the run; Live counts the test server's objects.")
p.create(16, 'Tarn.Test')
p.out(); p.get(16, 'Live'); p.c('VARCVT 3'); p.write_int()                 # 1
p.c('PUSHI 24'); p.call(16, 'Child', []); p.c('VARCVT 73', 'STOREW')
p.c('PUSHI 28'); p.call(16, 'Child', []); p.c('VARCVT 73', 'STOREW')
p.out(); p.get(16, 'Live'); p.c('VARCVT 3'); p.write_int()                 # 3
p.out(); p.call(16, 'Same', [('o', 16)]); p.c('VARCVT 11'); p.write_int()   # 1
p.out(); p.call(16, 'Same', [('o', 24)]); p.c('VARCVT 11'); p.write_int()   # 0
p.call(16, 'Keep', [('o', 24)], func=False)
p.dispose(24)
p.out(); p.get(16, 'Live'); p.c('VARCVT 3'); p.write_int()                 # 3: kept by v16
p.dispose(28)
p.out(); p.get(16, 'Live'); p.c('VARCVT 3'); p.write_int()                 # 2
for i in range(3):                                                          # results not kept
    p.out(); p.call(16, 'Echo', [('o', 16)]); p.isnull_write()
p.out(); p.get(16, 'Live'); p.c('VARCVT 3'); p.write_int()                 # 2: echoes are records
p.save('reference_counts', '1\n3\n1\n0\n3\n2\n0\n0\n0\n2\n', err=OK)

# ---- The kit's servers ---------------------------------------------------------------------
p = Prog("Tarn.Dictionary: Add, Count, Item, Exists, Key, ItemAt, SetItem, Remove, CompareMode, a\n"
         "duplicate key (error 47 with its text), objects as items.", trap=False)
p.create(16, 'Tarn.Dictionary')
p.call(16, 'Add', [('s', 'apple'), ('i', 3)], func=False)
p.call(16, 'Add', [('s', 'pear'), ('s', 'green')], func=False)
p.call(16, 'Add', [('s', 'plum'), ('r', '0.5')], func=False)
expect = ''
p.out(); p.get(16, 'Count'); p.c('VARCVT 3'); p.write_int(); expect += '3\n'
p.out(); p.call(16, 'Item', [('s', 'pear')]); p.write_var_string(); expect += 'green\n'
p.out(); p.call(16, 'Exists', [('s', 'Apple')]); p.c('VARCVT 11'); p.write_int(); expect += '0\n'
p.out(); p.call(16, 'Key', [('i', 2)]); p.write_var_string(); expect += 'plum\n'
p.out(); p.call(16, 'ItemAt', [('i', 2)]); p.write_var_string(); expect += '0.5\n'
p.call(16, 'SetItem', [('s', 'apple'), ('i', 4)], func=False)
p.out(); p.call(16, 'Item', [('s', 'apple')]); p.c('VARCVT 3'); p.write_int(); expect += '4\n'
p.call(16, 'Add', [('s', 'apple'), ('i', 5)], func=False); p.take_io(); p.ioresult(); expect += '47\n'
p.call(16, 'Remove', [('s', 'pear')], func=False)
p.out(); p.call(16, 'Key', [('i', 1)]); p.write_var_string(); expect += 'plum\n'
p.out(); p.call(16, 'Item', [('s', 'pear')]); p.isnull_write(); p.ioresult(); expect += '1\n47\n'
p.call(16, 'RemoveAll', [], func=False)
p.put(16, 'CompareMode', ('i', 1))
p.create(24, 'Tarn.Dictionary')
p.call(16, 'Add', [('s', 'Inner'), ('o', 24)], func=False)
p.dispose(24)
p.c('PUSHI 28'); p.call(16, 'Item', [('s', 'INNER')]); p.c('VARCVT 73', 'STOREW')
p.call(28, 'Add', [('s', 'x'), ('b', 1)], func=False)
p.out(); p.c('PUSHI 28'); p.call(16, 'ItemAt', [('i', 0)]); p.c('VARCVT 73', 'STOREW'); p.get(28, 'Count')
p.c('VARCVT 3'); p.write_int(); expect += '1\n'
p.save('dictionary', expect)

p = Prog("Tarn.FileSystem: write, read, inspect and delete a file in the run's directory; folders;\n"
         "a failure (error 47 with the system's reason).", errlist=True)
p.create(16, 'Tarn.FileSystem')
expect = ''
p.call(16, 'WriteText', [('s', 'notes.txt'), ('s', 'first line\n')], func=False)
p.call(16, 'AppendText', [('s', 'notes.txt'), ('s', 'second\n')], func=False)
p.out(); p.call(16, 'ReadAll', [('s', 'notes.txt')]); p.write_var_string(); expect += 'first line\nsecond\n\n'
p.out(); p.call(16, 'FileSize', [('s', 'notes.txt')]); p.c('VARCVT 3'); p.write_int(); expect += '18\n'
p.out(); p.call(16, 'FileExists', [('s', 'notes.txt')]); p.write_var_string(); expect += 'True\n'
p.call(16, 'CreateFolder', [('s', 'box')], func=False)
p.call(16, 'CopyFile', [('s', 'notes.txt'), ('s', 'box/copy.txt')], func=False)
p.c('PUSHI 24'); p.call(16, 'ListFolder', [('s', 'box')]); p.c('VARCVT 73', 'STOREW')
p.out(); p.call(24, 'Key', [('i', 0)]); p.write_var_string(); expect += 'copy.txt\n'
p.out(); p.call(24, 'ItemAt', [('i', 0)]); p.c('VARCVT 3'); p.write_int(); expect += '18\n'
p.out(); p.call(16, 'GetExtensionName', [('s', 'box/copy.txt')]); p.write_var_string(); expect += 'txt\n'
p.out(); p.call(16, 'BuildPath', [('s', 'box'), ('s', 'copy.txt')]); p.write_var_string(); expect += 'box/copy.txt\n'
p.call(16, 'DeleteFile', [('s', 'box/copy.txt')], func=False)
p.call(16, 'DeleteFolder', [('s', 'box')], func=False)
p.out(); p.call(16, 'FolderExists', [('s', 'box')]); p.write_var_string(); expect += 'False\n'
p.call(16, 'DeleteFile', [('s', 'box/copy.txt')], func=False)
p.save('filesystem', expect + "\nERROR: DeleteFile 'box/copy.txt': No such file or directory\n", exit=1)

# ---- supported, isnull, routine 151 and 152 ------------------------------------------------
p = Prog("supported(feature_idispatch) is 1; isnull of non-null values; routine 151 stores a\n"
         "record, routine 152 disposes it and leaves the variable undefined.")
p.out(); p.c('PUSHI 15', 'CALLSTD 180'); p.write_int()
p.out(); p.c('PUSHI 5', 'PUSHI 3'); p.isnull_write()
p.out(); p.s('abc'); p.c('PUSHI 30'); p.isnull_write()
p.out(); p.c('PUSH0', 'PUSHI 1'); p.isnull_write()
p.c('PUSHI 16', 'PUSHI 4', 'PUSH0', 'CALLSTD 151')
p.out(); p.c('PUSHI 16', 'LOADW', 'PUSH0', 'NE'); p.write_int()
p.c('PUSHI 16', 'CALLSTD 152')
p.out(); p.c('PUSHI 16', 'LOADW'); p.write_int()
p.save('routines', '1\n0\n0\n1\n1\n-1\n')
