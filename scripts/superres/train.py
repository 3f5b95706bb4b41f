"""Trains the super-resolution model RawRes.pb on frames of the virtual cameras' scenes.

A maintainer's tool, never part of the build: run it with Debian's Python (python3-torch,
python3-numpy, python3-protobuf, protobuf-compiler) after building, for instance

    /usr/bin/python3 scripts/superres/train.py --render build/bin/tcsim_render \
        --out resources/model/RawRes.pb --minutes 40 --threads 1

Training pairs: the scene's true temperature field is rendered at twice the camera's
resolution (boards on the bench or filling the frame, pairs of boards, one hot part on a flat
bench, a bench with a gentle gradient; ambient 0 to 50 degC); the camera's frame is the mean
of each 2 x 2 block (half of the time after a little optical blur); both are put on grey
levels by one mapping taken from the camera's frame (a stretch between percentiles or
histogram equalisation, gamma 0.5 to 2, inverted or not), and the camera's temporal noise
adds 0.5 to 3 grey levels. The network starts as exact bicubic interpolation, so training
only ever has to add to it, and its output is held within HELD_NEAR_BICUBIC grey levels of
bicubic, as the program holds it, in the loss and in the validation. It is kept by its
margin, in the mapping family it helps least on the validation frames, to a mean gain over
bicubic of 0.5 dB with no frame more than 0.2 dB below bicubic. With --sharpened-weight the
loss also weighs the error after the program's sharpen, and the sharpened picture's mean
gain counts as well (the program's edge-preserving smooth after the sharpen is left out of
both). Layouts above 800000 are kept out of training: 800001.. are this script's validation,
900001.. the benchmark's held-out frames.
"""
import argparse
import os
import subprocess
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import torch

from fsrcnn import MIRRORED, VARIANTS, Fsrcnn, context, export_graphdef, load_graphdef

CAMERA_SIZES = ((256, 192), (256, 192), (384, 288), (160, 120))
FAMILIES = ("linear", "equalised", "gamma 0.5", "gamma 2", "inverted")
EQUALISE_STEP = 0.05  # degC, about one count of a camera


def render(tool, folder, index, width, height, seconds, line):
    path = os.path.join(folder, f"{index}.f32")
    subprocess.run([tool, str(width), str(height), str(seconds), path, line], check=True)
    field = np.fromfile(path, dtype=np.float32).reshape(height, width)
    os.remove(path)
    return field


def scene_line(rng, validation):
    """A scene with a wide or a narrow span: a board (on the bench or filling the frame), a
    pair of boards, one hot part on a flat bench, or a bench with a gentle gradient."""
    ambient = rng.uniform(0, 50)
    layout = int(rng.integers(800001, 800100)) if validation else int(rng.integers(1, 20001))
    kind = rng.choice(["board", "compare", "hotspot", "uniform"], p=[0.45, 0.15, 0.3, 0.1])
    line = f"Lumo scene={kind} ambient={ambient:.1f}"
    if kind in ("board", "compare"):
        return f"{line} layout={layout} bench={int(rng.random() < 0.4)}"
    if kind == "hotspot":
        hot = ambient + np.exp(rng.uniform(np.log(2), np.log(400)))
        return f"{line} hot={hot:.1f} hotx={rng.uniform(0.05, 0.95):.3f} hoty={rng.uniform(0.05, 0.95):.3f}"
    return line


def area_average(field):
    h, w = field.shape
    return field.reshape(h // 2, 2, w // 2, 2).mean(axis=(1, 3))


def gaussian_blur(field, sigma):
    radius = int(np.ceil(3 * sigma))
    x = np.arange(-radius, radius + 1)
    k = np.exp(-x * x / (2 * sigma * sigma))
    k /= k.sum()
    padded = np.pad(field, radius, mode="edge")
    rows = sum(k[i] * padded[:, i:i + field.shape[1]] for i in range(len(k)))
    return sum(k[i] * rows[i:i + field.shape[0], :] for i in range(len(k)))


def grey_mapping(seen, equalise, percent, gamma, invert):
    """A function from temperature to grey level (float 0..255), taken from the camera's frame
    as a camera's or an image mode's gain control may: a stretch between two percentiles (the extremes when those meet, as
    on a flat bench with one hot part) or histogram equalisation, then gamma, maybe inverted."""
    low, high = np.percentile(seen, [percent, 100 - percent])
    if high - low < 0.5:
        low, high = float(seen.min()), float(seen.max())
    span = max(high - low, 1e-3)
    if equalise:
        # Histogram equalisation over levels of EQUALISE_STEP degrees, as a camera equalises its
        # counts: each level at the middle of its own rank, linear between levels. (Exact float
        # levels would rank a flat bench's 22.0 in the truth far above its 21.99999 in a blurred
        # frame.)
        levels, counts = np.unique(np.round(seen / EQUALISE_STEP), return_counts=True)
        cdf = (np.cumsum(counts) - counts / 2) / seen.size

    def apply(field):
        u = np.interp(field / EQUALISE_STEP, levels, cdf) if equalise else (field - low) / span
        g = 255 * np.clip(u, 0, 1) ** gamma
        return 255 - g if invert else g

    return apply


def family_mapping(seen, family):
    """The held-out families' mappings, as tests/support/superresframes.h computes them."""
    return grey_mapping(seen, family == "equalised", 0.5,
                        {"gamma 0.5": 0.5, "gamma 2": 2.0}.get(family, 1.0), family == "inverted")


def random_mapping(rng, seen):
    gamma = 1.0 if rng.random() < 0.4 else float(np.exp(rng.uniform(np.log(0.5), np.log(2))))
    return grey_mapping(seen, rng.random() < 0.5, rng.uniform(0, 1.5), gamma, rng.random() < 0.4)


def make_pair(rng, field, noise, family=None):
    """(low, high) uint8 frames from a true field at twice the camera's resolution: the camera
    sees the 2 x 2 means (sometimes through a little optical blur), the mapping is taken from
    that frame and the camera's temporal noise adds `noise` grey levels to it."""
    blurred = family is None and rng.random() < 0.5
    seen = area_average(gaussian_blur(field, rng.uniform(0.2, 0.8)) if blurred else field)
    grey = family_mapping(seen, family) if family else random_mapping(rng, seen)
    low = grey(seen) + rng.normal(0, noise, seen.shape)
    return np.clip(np.rint(low), 0, 255).astype(np.uint8), np.rint(grey(field)).astype(np.uint8)


def build_frames(tool, count, seed, validation):
    """Training pairs of random mappings and noise of 0.5 to 3 grey levels; for validation each
    scene under every held-out family, with noise of 0.5 to 3 grey levels by scene."""
    rng = np.random.default_rng(seed)
    jobs = []
    for i in range(count):
        width, height = CAMERA_SIZES[i % len(CAMERA_SIZES)]
        jobs.append((i, 2 * width, 2 * height, rng.uniform(0, 600), scene_line(rng, validation)))
    with tempfile.TemporaryDirectory() as folder, ThreadPoolExecutor(2) as pool:
        fields = list(pool.map(lambda j: render(tool, folder, *j), jobs))
    if validation:
        return [(family, make_pair(rng, field, (0.5, 1, 2, 3)[i % 4], family))
                for i, field in enumerate(fields) for family in FAMILIES]
    return [make_pair(rng, field, float(np.exp(rng.uniform(np.log(0.5), np.log(3))))) for field in fields]


def cubic_weights(t, a=-0.75):
    """OpenCV's bicubic weights for the four taps around a fractional position t."""
    c0 = ((a * (t + 1) - 5 * a) * (t + 1) + 8 * a) * (t + 1) - 4 * a
    c1 = ((a + 2) * t - (a + 3)) * t * t + 1
    c2 = ((a + 2) * (1 - t) - (a + 3)) * (1 - t) * (1 - t) + 1
    return [c0, c1, c2, 1 - c0 - c1 - c2]


def start_as_bicubic(model):
    """Channel 0 carries the input through every layer unchanged and the transposed
    convolution interpolates it as bicubic x2 does, so training starts at bicubic quality."""
    with torch.no_grad():
        layers = list(model.body)
        for conv in layers[0::2]:
            conv.weight[0].zero_()
            conv.bias[0] = 0
            k = conv.weight.shape[-1]
            conv.weight[0, 0, k // 2, k // 2] = 1.0
            conv.weight[1:, 0].mul_(0.1)
        # Even outputs sit at -0.25 of an input pixel, odd ones at +0.25: taps k = 7,5,3,1 and
        # 6,4,2,0 of the kernel (padding 3, stride 2).
        even, odd = cubic_weights(0.75), cubic_weights(0.25)
        kernel = np.zeros(9)
        kernel[[7, 5, 3, 1]] = even
        kernel[[6, 4, 2, 0]] = odd
        model.deconv.weight[0, 0] = torch.tensor(np.outer(kernel, kernel), dtype=torch.float32)
        model.deconv.weight[1:].zero_()
        model.deconv.bias.zero_()


# Outputs nearer than MIRRORED to the edge of a patch would see the zeros of the padding, so
# they are left out of the loss; the program mirrors what the network looks across around the
# frame before the network runs and cuts it off after, so the network never sees zeros at the
# frame's edge either.
def batches(rng, pairs, size, patch):
    """Low patches with MIRRORED pixels around the part the loss sees, and the true high
    part. pairs hold the low frames already mirrored by MIRRORED, as the program does."""
    inner = patch - 2 * MIRRORED
    lows, highs = [], []
    for _ in range(size):
        padded, high = pairs[int(rng.integers(len(pairs)))]
        h, w = high.shape[0] // 2, high.shape[1] // 2
        y, x = int(rng.integers(0, h - inner + 1)), int(rng.integers(0, w - inner + 1))
        lp = padded[y:y + patch, x:x + patch]
        hp = high[2 * y:2 * (y + inner), 2 * x:2 * (x + inner)]
        turns, flip = int(rng.integers(4)), rng.random() < 0.5
        lp, hp = np.rot90(lp, turns), np.rot90(hp, turns)
        if flip:
            lp, hp = lp[:, ::-1], hp[:, ::-1]
        lows.append(lp.copy())
        highs.append(hp.copy())
    to_tensor = lambda a: torch.from_numpy(np.stack(a)[:, None].astype(np.float32) / 255.0)
    return to_tensor(lows), to_tensor(highs)


def inner_part(out):
    c = 2 * MIRRORED
    return out[..., c:-c, c:-c]


# The program holds the network's enlargement within this many grey levels of bicubic
# interpolation of the camera's frame.
HELD_NEAR_BICUBIC = 4


def held(model, low):
    """The model's enlargement of a batch of (mirrored) low frames as the program holds it."""
    # On the 0..1 scale the program's 8-bit bicubic is clamped to.
    bicubic = torch.nn.functional.interpolate(low, scale_factor=2, mode="bicubic", align_corners=False).clamp(0, 1)
    return bicubic + (model(low) - bicubic).clamp(-HELD_NEAR_BICUBIC / 255, HELD_NEAR_BICUBIC / 255)


def enlarge(model, low):
    """The model on a whole frame as the program runs it: mirrored edges, held near bicubic,
    cut off after."""
    padded = np.pad(low, MIRRORED, mode="reflect").astype(np.float32) / 255.0
    out = held(model, torch.from_numpy(padded[None, None]))[0, 0].numpy()
    return inner_part(out)


# The program's sharpen after the network (3 x 3, on the 8-bit picture).
SHARPEN = torch.tensor([[0, -1, 0], [-1, 5, -1], [0, -1, 0]], dtype=torch.float32).view(1, 1, 3, 3)


def sharpen(out):
    """The sharpen on a batch of pictures, edges mirrored as the program's filter does."""
    return torch.nn.functional.conv2d(torch.nn.functional.pad(out, (1, 1, 1, 1), mode="reflect"), SHARPEN)


def psnr(model, pairs, sharpened=False):
    """PSNR (dB) of the model's 8-bit output (or of that output sharpened as the program does)
    against the true frames, frame by frame per family."""
    values = {}
    with torch.no_grad():
        for family, (low, high) in pairs:
            out = np.clip(np.rint(enlarge(model, low) * 255), 0, 255)
            if sharpened:
                out = np.clip(np.rint(sharpen(torch.from_numpy(out[None, None]).float())[0, 0].numpy()), 0, 255)
            mse = np.mean((out - high.astype(np.float64)) ** 2)
            values.setdefault(family, []).append(10 * np.log10(255 ** 2 / max(mse, 1e-10)))
    return {family: np.array(v) for family, v in values.items()}


def margin(scores, bicubic):
    """How far the model is above its goals in the family it helps least: a mean gain over
    bicubic of 0.5 dB, and no frame more than 0.2 dB below bicubic. What the model is kept by."""
    return min(min((scores[f] - bicubic[f]).mean() - 0.5, (scores[f] - bicubic[f]).min() + 0.2) for f in scores)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--render", required=True, help="the tcsim_render program of a build")
    parser.add_argument("--out", required=True, help="the model file to write")
    parser.add_argument("--variant", default="fsrcnn-16m1", choices=sorted(VARIANTS))
    parser.add_argument("--minutes", type=float, default=40)
    parser.add_argument("--frames", type=int, default=1600)
    parser.add_argument("--threads", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--start", help="a model file of the same variant to go on training from")
    parser.add_argument("--sharpened-weight", type=float, default=0.0,
                        help="weight of the error after the program's sharpen in the loss (the sharpen multiplies "
                             "the network's finest ripples up to nine times); the program's smooth after it is "
                             "left out of the loss and of the validation")
    args = parser.parse_args()
    if context(args.variant) > MIRRORED:
        parser.error(f"{args.variant} looks across {context(args.variant)} pixels; the training mirrors {MIRRORED}")

    torch.set_num_threads(args.threads)
    torch.manual_seed(args.seed)
    # Independent streams for the training frames, the validation frames and the patches.
    training_seed, validation_seed, patch_seed = np.random.SeedSequence(args.seed).spawn(3)
    rng = np.random.default_rng(patch_seed)
    began = time.time()
    training = [(np.pad(low, MIRRORED, mode="reflect"), high)
                for low, high in build_frames(args.render, args.frames, training_seed, validation=False)]
    validation = build_frames(args.render, 12, validation_seed, validation=True)
    print(f"rendered {len(training)} training and {len(validation)} validation frames "
          f"in {time.time() - began:.0f} s", flush=True)

    model = Fsrcnn(*VARIANTS[args.variant])
    start_as_bicubic(model)
    bicubic = psnr(model, validation)
    print("validation PSNR of bicubic: " + ", ".join(f"{f} {v.mean():.2f} dB" for f, v in bicubic.items()), flush=True)

    def judge():
        """The margin to the goals of the network alone and, with a weight on the error after the
        sharpen, the smaller of that and the sharpened picture's mean gain in the family it
        helps least (not its worst frame: the sharpen alone costs dense boards up to 8 dB); the
        PSNRs of both."""
        scores = psnr(model, validation)
        shown = psnr(model, validation, sharpened=True) if args.sharpened_weight > 0 else None
        score = margin(scores, bicubic)
        if shown is not None:
            score = min(score, min((shown[f] - bicubic[f]).mean() for f in shown))
        return score, scores, shown

    if args.start:
        load_graphdef(model, args.start)
        print(f"going on from {args.start}: margin {judge()[0]:+.2f} dB", flush=True)

    optimiser = torch.optim.Adam([
        {"params": model.body.parameters(), "lr": 1e-4},
        {"params": model.deconv.parameters(), "lr": 1e-5},
    ])
    budget = args.minutes * 60
    best, best_state = judge()[0], {k: v.clone() for k, v in model.state_dict().items()}
    step, began = 0, time.time()
    while time.time() - began < budget:
        progress = (time.time() - began) / budget
        for group, base in zip(optimiser.param_groups, (1e-4, 1e-5)):
            group["lr"] = base * 0.5 * (1 + np.cos(np.pi * progress))
        low, high = batches(rng, training, 16, 48 + 2 * MIRRORED)
        out = inner_part(held(model, low))
        loss = torch.mean((out - high) ** 2)
        if args.sharpened_weight > 0:
            # As the program sees it: the network's output and the sharpened picture both on
            # 8-bit levels, so an overshoot beyond white at a saturated hot part costs nothing.
            shown = sharpen(out.clamp(0, 1)).clamp(0, 1)
            loss = loss + args.sharpened_weight * torch.mean((shown[..., 1:-1, 1:-1] - high[..., 1:-1, 1:-1]) ** 2)
        optimiser.zero_grad()
        loss.backward()
        # A rare patch (a saturated hot part, say) must not throw the network far off.
        torch.nn.utils.clip_grad_norm_(model.parameters(), 0.05)
        optimiser.step()
        step += 1
        if step % 500 == 0:
            score, scores, shown = judge()
            if score > best:
                best, best_state = score, {k: v.clone() for k, v in model.state_dict().items()}
            gains = ", ".join(f"{f} {(scores[f] - bicubic[f]).mean():+.2f} (worst {(scores[f] - bicubic[f]).min():+.2f})"
                              for f in scores)
            if shown is not None:
                gains += "; sharpened " + ", ".join(f"{(shown[f] - bicubic[f]).mean():+.2f}" for f in shown)
            print(f"{time.time() - began:.0f} s step {step}  loss {loss.item():.3e}  gains {gains}  best margin {best:+.2f} dB", flush=True)
    model.load_state_dict(best_state)
    export_graphdef(model, args.out)
    print(f"{args.variant} {VARIANTS[args.variant]}: {step} steps, margin to the goals {best:+.2f} dB; wrote {args.out}")


if __name__ == "__main__":
    main()
