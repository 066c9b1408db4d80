#!/usr/bin/perl
# Writes a small old-format inventory book from raw records, since no writer at hand
# makes Excel 5.0/95 files with GBK text.
#
# usage: perl biff5.pl OUT [--filepass | --biff8-filepass]
#   (none)            BIFF5 "Book" stream, code page 936, one sheet named 库存
#   --filepass        the same with a BIFF5 FILEPASS (XOR obfuscation) in the globals
#   --biff8-filepass  a BIFF8 "Workbook" stream with an RC4 FILEPASS header
# Only the FILEPASS record marks these books as protected: the records after it are
# left plain, so a reader that ignores it would show the data.
use strict;
use warnings;
use utf8;
use Encode qw(encode);
use OLE::Storage_Lite;

my ($out, $mode) = @ARGV;
$mode //= '';
die "usage: perl biff5.pl OUT [--filepass | --biff8-filepass]\n"
    unless defined $out && $mode =~ /^(|--filepass|--biff8-filepass)$/ && @ARGV <= 2;
my $biff8 = $mode eq '--biff8-filepass';

my @rows = (
    [qw(商品编号 商品名称 单位 库存数量 库存均价 库存金额 卖出核价 供货厂商 缺货报警 备注)],
    [1001, '可口可乐330ml', '瓶', 24, 2.35, 56.4, 3, '供货厂商甲', 5, '夏季促销'],
    [6901234567892, 'A4复印纸70g', '包', 10, 18.5, 185, 25, '文具批发乙', 2, undef],
    [1005, '雪碧2L', undef, -3, 12.5, -37.5, 14, '供货厂商甲', 0, '先卖后进'],
);

sub rec { my ($id, $body) = @_; return pack('vv', $id, length $body) . $body }

# BIFF5 text is in the book's code page; BIFF8 text here is UTF-16LE.
sub text16 {    # LABEL: two-byte length
    my $s = shift;
    return $biff8 ? pack('vC', length $s, 1) . encode('UTF-16LE', $s)
                  : pack('v', length(encode('cp936', $s))) . encode('cp936', $s);
}
sub text8 {     # BOUNDSHEET, FONT: one-byte length
    my $s = shift;
    return $biff8 ? pack('CC', length $s, 1) . encode('UTF-16LE', $s)
                  : pack('C', length(encode('cp936', $s))) . encode('cp936', $s);
}

sub bof {
    my $type = shift;    # 0x0005 globals, 0x0010 worksheet
    # Build and year as Excel 5.0 and Excel 97 wrote them.
    return $biff8 ? rec(0x0809, pack('vvvvVV', 0x0600, $type, 0x0DBB, 0x07CC, 0, 6))
                  : rec(0x0809, pack('vvvv', 0x0500, $type, 0x0C92, 0x07CA));
}

my $filepass = '';
if ($mode eq '--filepass') {
    $filepass = rec(0x002F, pack('vv', 0x4A5B, 0xCE4B));    # key, password verifier
} elsif ($biff8) {
    # RC4 form: version 1.1, then salt, encrypted verifier and its encrypted hash.
    $filepass = rec(0x002F, pack('vvv', 1, 1, 1) . ("\x11" x 16) . ("\x22" x 16) . ("\x33" x 16));
}

my $font = rec(0x0031, pack('vvvvvCCCC', 200, 0, 0x7FFF, 400, 0, 0, 0, 134, 0) . text8('宋体'));
# Readers index XF records from 0: fifteen style XFs and one cell XF, as Excel writes.
my $xf_body = $biff8 ? pack('vvvvvVVv', 0, 0, 0xFFF5, 0x20, 0, 0, 0, 0x20C0)
                     : pack('vvvvVV', 0, 0, 0xFFF5, 0x20, 0x20C0, 0);
my $cell_xf = $biff8 ? pack('vvvvvVVv', 0, 0, 0x0001, 0x20, 0, 0, 0, 0x20C0)
                     : pack('vvvvVV', 0, 0, 0x0001, 0x20, 0x20C0, 0);
my $globals_head = bof(0x0005) . $filepass . rec(0x0042, pack('v', $biff8 ? 1200 : 936))
    . ($font x 5) . (rec(0x00E0, $xf_body) x 15) . rec(0x00E0, $cell_xf);
my $boundsheet_len = length rec(0x0085, pack('VCC', 0, 0, 0) . text8('库存'));
my $sheet_at = length($globals_head) + $boundsheet_len + 4;    # 4: the EOF record
my $globals = $globals_head . rec(0x0085, pack('VCC', $sheet_at, 0, 0) . text8('库存'))
    . rec(0x000A, '');

my $dims = $biff8 ? pack('VVvvv', 0, scalar @rows, 0, 10, 0) : pack('vvvvv', 0, scalar @rows, 0, 10, 0);
my $sheet = bof(0x0010) . rec(0x0000, $dims);
for my $r (0 .. $#rows) {
    for my $c (0 .. 9) {
        my $v = $rows[$r][$c];
        next unless defined $v;    # an empty cell is simply not written
        $sheet .= $v =~ /^-?[\d.]+$/ ? rec(0x0203, pack('vvvd<', $r, $c, 15, $v))
                                     : rec(0x0204, pack('vvv', $r, $c, 15) . text16($v));
    }
}
$sheet .= rec(0x000A, '');

my $stream = OLE::Storage_Lite::PPS::File->new(
    OLE::Storage_Lite::Asc2Ucs($biff8 ? 'Workbook' : 'Book'), $globals . $sheet);
OLE::Storage_Lite::PPS::Root->new(undef, undef, [$stream])->save($out) or die "cannot write $out\n";
