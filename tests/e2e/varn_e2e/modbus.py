"""Modbus RTU frames as the test expects them on the wire, computed independently of the program."""


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def with_crc(body):
    crc = crc16(body)
    return list(body) + [crc & 0xFF, crc >> 8]


def read_registers(address, start, count):
    return with_crc([address, 3, start >> 8, start & 0xFF, count >> 8, count & 0xFF])


def is_write_block(frame, address, start, count):
    return (len(frame) == 9 + 2 * count and frame[:7] == [address, 16, start >> 8, start & 0xFF, count >> 8,
                                                           count & 0xFF, 2 * count]
            and frame == with_crc(frame[:-2]))


def block_values(frame):
    """The register values of a function-16 write."""
    data = frame[7:-2]
    return [data[i] << 8 | data[i + 1] for i in range(0, len(data), 2)]
