//! C entry points of encoding_rs for kelbench: a whole text between a
//! legacy encoding and UTF-8 in one call.

use encoding_rs::Encoding;
use std::ffi::CStr;
use std::os::raw::c_char;

/// The encoding of a WHATWG label; aborts when there is none, as a benchmark
/// with a wrong label is of no use.
#[no_mangle]
pub unsafe extern "C" fn kelbench_encoding_rs(label: *const c_char) -> *const Encoding {
    let label = CStr::from_ptr(label).to_bytes();
    match Encoding::for_label(label) {
        Some(encoding) => encoding,
        None => std::process::abort(),
    }
}

#[no_mangle]
pub unsafe extern "C" fn kelbench_encoding_rs_decode_to_utf8(
    encoding: *const Encoding,
    src: *const u8,
    src_len: usize,
    dst: *mut u8,
    dst_len: usize,
) -> usize {
    let src = std::slice::from_raw_parts(src, src_len);
    let dst = std::slice::from_raw_parts_mut(dst, dst_len);
    let mut decoder = (*encoding).new_decoder_without_bom_handling();
    let (_, _, written, _) = decoder.decode_to_utf8(src, dst, true);
    written
}

/// `src` must be valid UTF-8, as the benchmark's texts are.
#[no_mangle]
pub unsafe extern "C" fn kelbench_encoding_rs_encode_from_utf8(
    encoding: *const Encoding,
    src: *const u8,
    src_len: usize,
    dst: *mut u8,
    dst_len: usize,
) -> usize {
    let src = std::str::from_utf8_unchecked(std::slice::from_raw_parts(src, src_len));
    let dst = std::slice::from_raw_parts_mut(dst, dst_len);
    let mut encoder = (*encoding).new_encoder();
    let (_, _, written, _) = encoder.encode_from_utf8(src, dst, true);
    written
}
