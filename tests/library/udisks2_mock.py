'''A stand-in for the disk service (org.freedesktop.UDisks2): an SD card in a
USB reader (mounted), an unmounted USB stick, an internal data disk, the system
disk, an eMMC with its boot and RPMB areas, an optical drive.

Parameters (JSON, all optional): mount_root (where Mount() makes mount points),
sd_mount, data_mount, system_mount (where those volumes are mounted),
<block>_image (the file OpenDevice hands out for that block, e.g. sdb1_image),
<block>_size (that block's Size instead of the machine's),
version (Manager.Version, 2.9.4), probe_ms (how long after a Format call, or
after the boot sector of a descriptor handed out changed, the block's Id*
properties take the new file system; 300).

Test controls on org.freedesktop.DBus.Mock: Calls() (each Mount, Unmount,
OpenDevice and Format call as text), Refuse(method, error_name, message) (the
next call of method fails), RemoveBlock(path), SetMountPoints(path, points).
'''

import os
import uuid

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

PREFIX = '/org/freedesktop/UDisks2'
BLOCK = 'org.freedesktop.UDisks2.Block'
DRIVE = 'org.freedesktop.UDisks2.Drive'
FS = 'org.freedesktop.UDisks2.Filesystem'
PART = 'org.freedesktop.UDisks2.Partition'
TABLE = 'org.freedesktop.UDisks2.PartitionTable'
ERR = 'org.freedesktop.UDisks2.Error.'

STATE = {'calls': [], 'refuse': {}, 'params': {}}


def _bytes(text):
    return dbus.Array([dbus.Byte(b) for b in text.encode() + b'\0'], signature='y')


def _points(points):
    return dbus.Array([_bytes(p) for p in points], signature='ay')


def _check_refusal(method):
    refusal = STATE['refuse'].pop(method, None)
    if refusal:
        raise dbus.exceptions.DBusException(refusal[1], name=refusal[0])


def _set_points(obj, points):
    obj.props[FS]['MountPoints'] = _points(points)
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                   [FS, dbus.Dictionary({'MountPoints': obj.props[FS]['MountPoints']}, signature='sv'),
                    dbus.Array([], signature='s')])


def _plain(options):
    '''The options as plain Python values, for the call log.'''
    def value(v):
        if isinstance(v, (dbus.Array, list)):
            return [value(x) for x in v]
        if isinstance(v, dbus.Boolean):
            return bool(v)
        if isinstance(v, (dbus.String, str)):
            return str(v)
        return int(v)
    return {str(k): value(v) for k, v in options.items()}


def _device(obj):
    return bytes(obj.props[BLOCK]['Device']).rstrip(b'\0').decode()


def _mount(self, options):
    STATE['calls'].append('Mount %s %s' % (_device(self), _plain(options)))
    _check_refusal('Mount')
    if len(self.props[FS]['MountPoints']) > 0:
        raise dbus.exceptions.DBusException('already mounted', name=ERR + 'AlreadyMounted')
    label = str(self.props[BLOCK]['IdLabel']) or os.path.basename(_device(self))
    point = os.path.join(STATE['params'].get('mount_root', '/tmp'), label)
    os.makedirs(point, exist_ok=True)
    _set_points(self, [point])
    return point


def _unmount(self, options):
    STATE['calls'].append('Unmount %s %s' % (_device(self), _plain(options)))
    _check_refusal('Unmount')
    if len(self.props[FS]['MountPoints']) == 0:
        raise dbus.exceptions.DBusException('not mounted', name=ERR + 'NotMounted')
    _set_points(self, [])


def _open_device(self, mode, options):
    STATE['calls'].append('OpenDevice %s %s %s' % (_device(self), mode, _plain(options)))
    _check_refusal('OpenDevice')
    image = STATE['params'].get(os.path.basename(_device(self)) + '_image', '')
    if not image:
        raise dbus.exceptions.DBusException('no such device', name=ERR + 'Failed')
    fd = os.open(image, os.O_RDWR)
    handed = dbus.types.UnixFd(fd)
    os.close(fd)
    _watch_boot_sector(self, image, _boot_sector(image), 600)
    return handed


def _set_type(self, part_type, options):
    STATE['calls'].append('SetType %s %s' % (_device(self), part_type))
    _check_refusal('SetType')
    self.Set(PART, 'Type', part_type)


def _probed(obj, fstype, label, uid):
    '''The service has probed the block: its Id* properties change.'''
    changed = {'IdUsage': 'filesystem' if fstype else '', 'IdType': fstype, 'IdLabel': label,
               'IdUUID': uid}
    for key, value in changed.items():
        obj.props[BLOCK][key] = value
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                   [BLOCK, dbus.Dictionary(changed, signature='sv'), dbus.Array([], signature='s')])
    return False


def _probe_ms():
    return int(STATE['params'].get('probe_ms', 300))


def _format(self, fstype, options):
    STATE['calls'].append('Format %s %s %s' % (_device(self), fstype, _plain(options)))
    _check_refusal('Format')
    # Like the real service, the new file system shows some time after the call.
    GLib.timeout_add(_probe_ms(), _probed, self, str(fstype), str(options.get('label', '')),
                     str(uuid.uuid4())[:9].upper())


def _boot_sector(image):
    try:
        with open(image, 'rb') as f:
            return f.read(512)
    except OSError:
        return b''


def _watch_boot_sector(obj, image, before, polls):
    '''Probes the block once its boot sector has changed (the real service
    hears of the write when the descriptor is closed).'''
    sector = _boot_sector(image)
    if len(sector) == 512 and sector != before and sector[510:512] == b'\x55\xaa':
        label = sector[71:82].decode('cp949', 'replace').rstrip(' ')
        uid = '%04X-%04X' % (int.from_bytes(sector[69:71], 'little'), int.from_bytes(sector[67:69], 'little'))
        GLib.timeout_add(_probe_ms(), _probed, obj, 'vfat', '' if label == 'NO NAME' else label, uid)
        return False
    if polls > 0:
        GLib.timeout_add(100, _watch_boot_sector, obj, image, before, polls - 1)
    return False


def _add_drive(mock, name, removable, bus, media=()):
    path = PREFIX + '/drives/' + name
    mock.AddObject(path, DRIVE, {
        'Removable': dbus.Boolean(removable),
        'MediaRemovable': dbus.Boolean(removable),
        'Ejectable': dbus.Boolean(removable),
        'ConnectionBus': bus,
        'MediaCompatibility': dbus.Array(list(media), signature='s'),
        'Model': name,
    }, [])
    return path


def _add_block(mock, name, drive, size, fs=None, label='', version='', points=(), system=False,
               partition=None, table=False):
    path = PREFIX + '/block_devices/' + name
    size = int(STATE['params'].get(name + '_size', size))
    mock.AddObject(path, BLOCK, {
        'Device': _bytes('/dev/' + name),
        'Drive': dbus.ObjectPath(drive),
        'Size': dbus.UInt64(size),
        'IdUsage': 'filesystem' if fs else '',
        'IdType': fs or '',
        'IdVersion': version,
        'IdLabel': label,
        'IdUUID': 'CAFE-%04X' % (len(name) * 4097 % 65536) if fs else '',
        'HintSystem': dbus.Boolean(system),
        'HintIgnore': dbus.Boolean(False),
        'ReadOnly': dbus.Boolean(False),
    }, [('OpenDevice', 'sa{sv}', 'h', _open_device), ('Format', 'sa{sv}', '', _format)])
    obj = mockobject.objects[path]
    if fs:
        obj.AddProperties(FS, {'MountPoints': _points([p for p in points if p])})
        obj.AddMethods(FS, [('Mount', 'a{sv}', 's', _mount), ('Unmount', 'a{sv}', '', _unmount)])
    if partition is not None:
        table_path = PREFIX + '/block_devices/' + name.rstrip('0123456789').rstrip('p')
        obj.AddProperties(PART, {'Offset': dbus.UInt64(partition), 'Number': dbus.UInt32(1),
                                 'Type': STATE['params'].get(name + '_type', '0x0c'),
                                 'Table': dbus.ObjectPath(table_path)})
        obj.AddMethods(PART, [('SetType', 'sa{sv}', '', _set_type)])
    if table:
        obj.AddProperties(TABLE, {'Type': 'dos'})
    return path


def load(mock, parameters):
    STATE['params'] = dict(parameters)
    mock.AddObject(PREFIX + '/Manager', 'org.freedesktop.UDisks2.Manager',
                   {'Version': parameters.get('version', '2.9.4')}, [])
    gib = 1 << 30
    reader = _add_drive(mock, 'SD_Reader', True, 'usb', ['flash_sd'])
    _add_block(mock, 'sdb', reader, 8 * gib, table=True)
    _add_block(mock, 'sdb1', reader, 8 * gib - (1 << 20), 'vfat', 'CARD', 'FAT32',
               [parameters.get('sd_mount', '')], partition=1 << 20)
    stick = _add_drive(mock, 'USB_Stick', True, 'usb')
    _add_block(mock, 'sdc', stick, 4 * gib, 'vfat', 'STICK', 'FAT32')
    internal = _add_drive(mock, 'Internal_Disk', False, '')
    _add_block(mock, 'sda', internal, 500 * gib, table=True)
    _add_block(mock, 'sda1', internal, 500 * gib, 'ext4', 'DATA', '1.0', [parameters.get('data_mount', '')],
               partition=1 << 20)
    system = _add_drive(mock, 'System_Disk', False, '')
    _add_block(mock, 'nvme0n1', system, 256 * gib, table=True, system=True)
    _add_block(mock, 'nvme0n1p2', system, 255 * gib, 'ext4', 'root', '1.0',
               [parameters.get('system_mount', '')], system=True, partition=1 << 30)
    emmc = _add_drive(mock, 'eMMC', False, 'sdio', ['flash_mmc'])
    _add_block(mock, 'mmcblk0', emmc, 32 * gib, table=True)
    _add_block(mock, 'mmcblk0p1', emmc, 32 * gib, 'vfat', 'EMMC', 'FAT32', partition=1 << 20)
    for area in ('mmcblk0boot0', 'mmcblk0boot1', 'mmcblk0rpmb'):
        _add_block(mock, area, emmc, 4 << 20)
    dvd = _add_drive(mock, 'DVD', True, 'usb', ['optical_cd', 'optical_dvd'])
    _add_block(mock, 'sr0', dvd, 4 * gib, 'iso9660', 'DISC', '')


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Calls(self):
    return dbus.Array(STATE['calls'], signature='s')


@dbus.service.method(MOCK_IFACE, in_signature='sss', out_signature='')
def Refuse(self, method, error_name, message):
    STATE['refuse'][str(method)] = (str(error_name), str(message))


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='')
def RemoveBlock(self, path):
    obj = mockobject.objects[path]
    names = dbus.Array(list(obj.props.keys()), signature='s')
    self.RemoveObject(path)
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas', [dbus.ObjectPath(path), names])


@dbus.service.method(MOCK_IFACE, in_signature='oas', out_signature='')
def SetMountPoints(self, path, points):
    _set_points(mockobject.objects[path], [str(p) for p in points])
