#!/usr/bin/env python3
"""Writes the hand-made seeds of tests/fuzz/corpus in the target's input
encoding (see Script in fuzz_target.cpp); the fuzzer's own finds may be
kept beside them."""
import os
import struct
import sys

KEYS = ['1', '2', '3', '4', '5', '6', '7', 'B', 'space', 'esc', 'Q', 'numpad1', 'none']
CALLS = ['DirectDrawCreate', 'SetCooperativeLevel', 'SetDisplayMode', 'CreateSurface', 'CreatePalette',
         'GetAttachedSurface', 'SetColorKey', 'SetPalette', 'Lock', 'Unlock', 'BltFast', 'Flip',
         'FindResource', 'SetTimer']
RESULTS = ['negative', 'positive', 'outofmemory', 'busy']


def key(name):
    return bytes([0, KEYS.index(name)])


def raw_key(code, repeat=1, flags=0):
    return bytes([3]) + struct.pack('<HH', code, repeat) + bytes([flags])


def mouse(x, y, flags=0):
    return bytes([4]) + struct.pack('<hh', x, y) + bytes([flags])


def step(dx, dy):
    return bytes([5, dx + 2, dy + 2])


def activate(state, minimized=False):
    return bytes([6, state | (0x80 if minimized else 0)])


def timer(ident):
    if ident in (2, 4):
        return bytes([7, 1 if ident == 2 else 0])
    return bytes([7, 200]) + struct.pack('<H', ident)


def fault(call, nth, result='negative'):
    return bytes([8, CALLS.index(call), nth - 1, RESULTS.index(result)])


def wait(ms):
    return bytes([9, ms // 4])


def other(index, wparam=0, lparam=0):
    return bytes([10, index]) + struct.pack('<HH', wparam, lparam)


def close():
    return bytes([11])


SEEDS = {
    'modes': b''.join(key(k) + wait(60) for k in '1234567') + key('B') + wait(200) + key('6'),
    'panel': key('B') + wait(1000) + raw_key(0x42, 5) + wait(600) + b''.join(step(1, -1) for _ in range(6))
             + timer(2) + timer(4) + timer(3) + other(1) + other(3, 0x42) + wait(400) + key('B'),
    'fault-at-start': fault('Lock', 5, 'busy') + wait(100),
    'fault-in-switch': wait(60) + fault('CreateSurface', 3, 'positive') + wait(20) + key('4') + wait(100),
    'activation': activate(0) + wait(800) + activate(1, True) + wait(100) + activate(2) + raw_key(0x1B00)
                  + mouse(-32768, 32767) + wait(50) + step(2, 0) + wait(50) + mouse(32767, -32768),
    'frame-faults': key('B') + fault('Flip', 10) + fault('BltFast', 50, 'positive') + wait(300)
                    + fault('Unlock', 2) + key('2') + wait(300) + key('esc'),
    'close': wait(100) + close() + key('1'),
    'styles': b''.join(key('B') + wait(40) + key('1234567'[i % 7]) + wait(40) for i in range(8)),
}

if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus')
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
