#!/usr/bin/python3
"""Trains the skin segmenter of qlxAiFilterPlugin.qlx and exports it as ONNX.

    /usr/bin/python3 companions/aifilter/train/train_skin.py \
        --data ../shared/testdata/skin --out companions/aifilter/model/qlxSkinSegmenter.onnx

The photos are split once, by a fixed seed, into training and validation sets stratified by
apparent skin tone; the validation stems are written to validation.txt beside this script and
never reach the optimiser. A second draw keeps a few training photos apart to choose the
checkpoint and calibrate the threshold, on the whole photos and on head-and-shoulders crops of
them (the model serves portraits and family photos too). --init fine-tunes an exported model
instead of starting from random weights. Everything random (split, augmentation, initial
weights) draws from --seed, and torch runs on a fixed number of threads (--threads), so a rerun
retraces the same steps.
"""
import argparse
import csv
import math
import os
import random
import time

import cv2
import numpy as np
import torch
import torch.nn as nn
import torch.nn.functional as F

HERE = os.path.dirname(os.path.abspath(__file__))


def conv_bn(i, o, k=3, s=1, d=1):
    return nn.Sequential(nn.Conv2d(i, o, k, s, padding=d * (k // 2), dilation=d, bias=False),
                         nn.BatchNorm2d(o), nn.ReLU(inplace=True))


class SkinNet(nn.Module):
    """Plain convolutions (cheap to train and to run on one core): an encoder down to 1/16 of
    the input with dilated context, a decoder with skips back to 1/4; one skin logit per cell."""

    def __init__(self, channels=(16, 32, 64, 96, 32, 16)):
        super().__init__()
        self.frozen_norm = False
        c1, c2, c3, c4, d3, d2 = channels
        self.enc1 = conv_bn(3, c1, 3, 2)
        self.enc2 = conv_bn(c1, c2, 3, 2)
        self.enc3 = nn.Sequential(conv_bn(c2, c3, 3, 2), conv_bn(c3, c3))
        self.enc4 = nn.Sequential(conv_bn(c3, c4, 3, 2), conv_bn(c4, c4, d=2),
                                  conv_bn(c4, c4, d=4))
        self.dec3 = conv_bn(c4 + c3, d3, 1)
        self.dec2 = nn.Sequential(conv_bn(d3 + c2, d2, 1), conv_bn(d2, d2))
        self.head = nn.Conv2d(d2, 1, 1)

    def train(self, mode=True):
        """Batch normalisation keeps its statistics while fine-tuning a model whose statistics
        were folded into its convolutions (see load_onnx_weights)."""
        super().train(mode)
        if self.frozen_norm:
            for m in self.modules():
                if isinstance(m, nn.BatchNorm2d):
                    m.eval()
        return self

    def load_onnx_weights(self, path):
        """Starts from an exported model: its convolutions carry the batch normalisation folded
        in, so each normalisation becomes the identity plus the folded bias, and stays frozen."""
        import onnx
        from onnx import numpy_helper
        graph = onnx.load(path).graph
        weights = {w.name: torch.from_numpy(numpy_helper.to_array(w).copy())
                   for w in graph.initializer}
        convs = [n for n in graph.node if n.op_type == "Conv"]
        layers = [m for m in self.modules() if isinstance(m, nn.Sequential) and
                  isinstance(m[0], nn.Conv2d)] + [self.head]
        if len(convs) != len(layers):
            raise ValueError(f"{path}: {len(convs)} convolutions, this network has {len(layers)}")
        with torch.no_grad():
            for node, layer in zip(convs, layers):
                w, b = weights[node.input[1]], weights[node.input[2]]
                if layer is self.head:
                    layer.weight.copy_(w); layer.bias.copy_(b)
                    continue
                conv, norm = layer[0], layer[1]
                conv.weight.copy_(w)
                norm.running_mean.zero_(); norm.running_var.fill_(1.0 - norm.eps)
                norm.weight.fill_(1.0); norm.bias.copy_(b)
        self.frozen_norm = True

    @staticmethod
    def up(x):
        # A fixed factor keeps the exported graph free of shape arithmetic; sides are multiples of 16.
        return F.interpolate(x, scale_factor=2.0, mode="bilinear", align_corners=False)

    def forward(self, x):
        e2 = self.enc2(self.enc1(x))
        e3 = self.enc3(e2)
        e4 = self.enc4(e3)
        d3 = self.dec3(torch.cat([self.up(e4), e3], 1))
        return self.head(self.dec2(torch.cat([self.up(d3), e2], 1)))


def load_manifest(data):
    rows = []
    with open(os.path.join(data, "manifest.tsv")) as f:
        lines = [l for l in f if not l.startswith("#")]
    for row in csv.DictReader(lines, delimiter="\t"):
        rows.append((row["stem"], row["apparent_ita_bin"]))
    return rows


def split(rows, seed, per_bin):
    rng = random.Random(seed)
    by_bin = {}
    for stem, tone in rows:
        by_bin.setdefault(tone, []).append(stem)
    val = []
    for tone in sorted(by_bin):
        stems = sorted(by_bin[tone])
        rng.shuffle(stems)
        val += stems[:per_bin]
    val_set = set(val)
    train = sorted(s for s, _ in rows if s not in val_set)
    return train, sorted(val)


def load_pair(data, stem):
    img = cv2.imread(os.path.join(data, "ccp", "images", stem + ".jpg"), cv2.IMREAD_COLOR)
    mask = cv2.imread(os.path.join(data, "ccp", "masks", stem + ".png"), cv2.IMREAD_GRAYSCALE)
    return img, mask


def main_person_weight(mask, outside):
    """Loss weight per pixel: 1 around the labelled person, `outside` elsewhere. Only the main
    person's skin is labelled; bystanders' faces and arms count as "not skin" and would teach the
    network to miss real skin, so the far field teaches less (walls there still teach some)."""
    h, w = mask.shape
    weight = np.full((h, w), outside, np.float32)
    ys, xs = np.nonzero(mask)
    if len(ys):
        bw, bh = xs.max() - xs.min(), ys.max() - ys.min()
        x0, x1 = max(0, int(xs.min() - 0.4 * bw - 0.05 * w)), int(xs.max() + 0.4 * bw + 0.05 * w)
        y0 = max(0, int(ys.min() - 0.15 * bh - 0.05 * h))
        weight[y0:, x0:x1 + 1] = 1.0
    return weight


def face_box(mask):
    """(x, y, w, h) of the labelled person's face, or None without labelled skin. The face is the
    top of the highest large skin region (the photos show whole standing figures); its width is
    the widest row near that top, its height 1.35 times that width, so that a neck, shoulders or
    bare arms joined to the face below do not count."""
    n, labels, stats, _ = cv2.connectedComponentsWithStats((mask >= 128).astype(np.uint8),
                                                           connectivity=8)
    if n < 2:
        return None
    areas = stats[1:, cv2.CC_STAT_AREA]
    large = [i + 1 for i in range(n - 1) if areas[i] >= 0.2 * areas.max()]
    top_region = min(large, key=lambda i: stats[i, cv2.CC_STAT_TOP])
    top = int(stats[top_region, cv2.CC_STAT_TOP])
    rows = labels[top:] == top_region
    width = 0
    for depth in (20, None):  # a first guess from the top rows, then rows down to the chin
        reach = depth if depth else max(1, int(0.8 * 1.35 * width))
        xs = np.nonzero(rows[:reach].any(axis=0))[0]
        width = int(rows[:reach].sum(axis=1).max())
    centre = (xs.min() + xs.max()) / 2
    return int(centre - width / 2), top, width, int(round(1.35 * width))


def portrait_crop(img, mask):
    """A head-and-shoulders portrait cut from a full-figure photo: a square 3.2 face heights wide
    around the labelled person's face, some hair above it. None without a face."""
    box = face_box(mask)
    if box is None:
        return None
    x, y, w, h = box
    side = min(int(3.2 * h), *mask.shape)
    x0 = int(np.clip(x + w / 2 - side / 2, 0, mask.shape[1] - side))
    y0 = int(np.clip(y - 0.5 * h, 0, mask.shape[0] - side))
    return img[y0:y0 + side, x0:x0 + side], mask[y0:y0 + side, x0:x0 + side]


# ---- augmentation -------------------------------------------------------------------------

def random_crop(rng, img, mask, weight, face, size, portrait_share):
    """Scale and crop. A share of the crops are portraits: the face fills 25 % to 80 % of the
    crop's side, as in portraits and family photos. The others are log-uniform from whole-body
    views to close-ups, half of them centred near skin."""
    h, w = mask.shape
    ys, xs = np.nonzero(mask)
    if face is not None and portrait_share > 0 and rng.random() < portrait_share:
        side = face[3] * math.exp(rng.uniform(math.log(1.25), math.log(4.0)))
        scale = size / side
        cy = face[1] + face[3] / 2 + rng.uniform(-0.3, 0.3) * side
        cx = face[0] + face[2] / 2 + rng.uniform(-0.3, 0.3) * side
    else:
        scale = math.exp(rng.uniform(math.log(0.25), math.log(2.5)))
        side = size / scale  # crop side in source pixels
        if len(ys) and rng.random() < 0.5:
            k = rng.randrange(len(ys))
            cy = ys[k] + rng.uniform(-0.4, 0.4) * side
            cx = xs[k] + rng.uniform(-0.4, 0.4) * side
        else:
            cy, cx = rng.uniform(0, h), rng.uniform(0, w)
    x0, y0 = cx - side / 2, cy - side / 2
    m = np.array([[scale, 0, -x0 * scale], [0, scale, -y0 * scale]], np.float32)
    out = cv2.warpAffine(img, m, (size, size), flags=cv2.INTER_AREA if scale < 1 else cv2.INTER_LINEAR,
                         borderMode=cv2.BORDER_REFLECT101)
    lab = cv2.warpAffine(mask, m, (size, size), flags=cv2.INTER_LINEAR,
                         borderMode=cv2.BORDER_REFLECT101)
    wgt = cv2.warpAffine(weight, m, (size, size), flags=cv2.INTER_NEAREST,
                         borderMode=cv2.BORDER_REFLECT101)
    if rng.random() < 0.5:
        out, lab, wgt = out[:, ::-1], lab[:, ::-1], wgt[:, ::-1]
    return (np.ascontiguousarray(out), np.ascontiguousarray(lab), np.ascontiguousarray(wgt))


def shift_skin_tone(rng, x, soft):
    """Darkens or pales the labelled skin only, so the same scene carries other skin tones. The
    shifts stay within what skin looks like: darker keeps the hue and gains a little
    saturation, paler lifts towards white only partly."""
    if rng.random() < 0.7:
        k = rng.uniform(0.4, 0.85)
        grey = x.mean(axis=2, keepdims=True)
        toned = (grey + (x - grey) * rng.uniform(1.0, 1.25)) * k
    else:
        toned = 1.0 - (1.0 - x) * rng.uniform(0.7, 0.9)
    a = soft[..., None]
    return x * (1 - a) + np.clip(toned, 0, 1) * a


def photometric(rng, x, warm_light):
    """Light and camera: white balance, warm light (with probability `warm_light`), exposure,
    contrast, saturation, gamma, blur, noise."""
    if rng.random() < 0.8:
        wb = np.exp(np.array([rng.uniform(-0.15, 0.15), 0, rng.uniform(-0.15, 0.15)], np.float32))
        x = x * wb
    if rng.random() < warm_light:  # warm indoor light: walls and wood drift towards skin colours
        warm = rng.uniform(0.1, 0.4)
        x = x * np.exp(np.array([-warm, -0.2 * warm, 0.6 * warm], np.float32))
    x = x * math.exp(rng.uniform(-0.5, 0.35))
    mean = x.mean()
    x = (x - mean) * rng.uniform(0.8, 1.2) + mean
    grey = x.mean(axis=2, keepdims=True)
    x = grey + (x - grey) * rng.uniform(0.7, 1.3)
    x = np.power(np.clip(x, 0, 1), math.exp(rng.uniform(-0.25, 0.25)))
    if rng.random() < 0.2:
        x = cv2.GaussianBlur(x, (0, 0), rng.uniform(0.5, 1.5))
    if rng.random() < 0.5:
        noise = np.random.default_rng(rng.randrange(1 << 30)).standard_normal(x.shape, np.float32)
        x = x + np.float32(rng.uniform(0, 0.03)) * noise
    return np.clip(x, 0, 1).astype(np.float32)


def make_sample(rng, img, mask, weight, face, size, warm_light, portrait_share):
    crop, lab, wgt = random_crop(rng, img, mask, weight, face, size, portrait_share)
    x = crop.astype(np.float32) / 255.0
    target = (lab >= 128).astype(np.float32)
    if rng.random() < 0.4 and target.any():
        soft = cv2.GaussianBlur(target, (0, 0), 1.5)
        x = shift_skin_tone(rng, x, soft)
    x = photometric(rng, x, warm_light)
    return x.transpose(2, 0, 1), target[None], wgt[None]


# ---- training and evaluation --------------------------------------------------------------

def loss_fn(logits, target, weight):
    bce = (F.binary_cross_entropy_with_logits(logits, target, reduction="none") * weight).mean()
    p = torch.sigmoid(logits) * weight
    inter = (p * target).sum()
    dice = 1 - (2 * inter + 1) / (p.sum() + target.sum() + 1)
    return bce + dice


def predict(model, img, short_side):
    return 1.0 / (1.0 + np.exp(-working_logits(model, img, short_side)))


def evaluate(model, pairs, short_side):
    model.eval()
    tp = fp = fn = 0
    for img, mask in pairs:
        pred = predict(model, img, short_side) >= 0.5
        gt = mask >= 128
        tp += int((pred & gt).sum()); fp += int((pred & ~gt).sum()); fn += int((~pred & gt).sum())
    model.train()
    prec = tp / max(1, tp + fp); rec = tp / max(1, tp + fn)
    return prec, rec, 2 * prec * rec / max(1e-9, prec + rec), tp / max(1, tp + fp + fn)


def working_logits(model, img, short_side):
    h, w = img.shape[:2]
    s = short_side / min(h, w)
    size = (max(16, round(w * s / 16) * 16), max(16, round(h * s / 16) * 16))
    small = cv2.resize(img, size, interpolation=cv2.INTER_AREA)
    x = torch.from_numpy(small.astype(np.float32).transpose(2, 0, 1)[None] / 255.0)
    with torch.no_grad():
        out = model(x)[0, 0].numpy()
    return cv2.resize(out, (w, h), interpolation=cv2.INTER_LINEAR)


def best_threshold(model, sets, short_side):
    """The logit threshold with the best mean of the pooled F1 of each set of (photo, mask)
    pairs in `sets`: (that mean, the threshold, each set's F1 there)."""
    model.eval()
    pooled = []
    for pairs in sets:
        logit = np.concatenate([working_logits(model, img, short_side).ravel() for img, _ in pairs])
        pooled.append((logit, np.concatenate([mask.ravel() >= 128 for _, mask in pairs])))
    model.train()
    best = (-1.0, 0.0, [])
    for t in np.arange(-4.0, 6.01, 0.25):
        f1s = []
        for logit, truth in pooled:
            found = logit >= t
            tp = np.count_nonzero(found & truth)
            f1s.append(2 * tp / max(1, np.count_nonzero(found) + np.count_nonzero(truth)))
        best = max(best, (float(np.mean(f1s)), float(t), f1s))
    return best


def calibrate(model, sets, short_side):
    """Moves the head's bias so that logit 0 (weight 128) is the threshold with the best mean F1
    on the tuning sets: crops centred on skin make skin commoner in training than in whole
    photos."""
    f1, t, f1s = best_threshold(model, sets, short_side)
    with torch.no_grad():
        model.head.bias -= t
    print(f"calibrated: threshold {t:+.2f} (mean F1 {f1:.3f}, per set "
          f"{' '.join(f'{v:.3f}' for v in f1s)})", flush=True)


def write_portraits(data, stems, tone, folder):
    """Head-and-shoulders crops of `stems` with their masks under `folder` (images/, masks/,
    stems.txt as skin_eval --score reads them)."""
    for sub in ("images", "masks"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    with open(os.path.join(folder, "stems.txt"), "w") as listing:
        for stem in stems:
            crop = portrait_crop(*load_pair(data, stem))
            if crop is None:
                continue
            cv2.imwrite(os.path.join(folder, "images", stem + ".png"), crop[0])
            cv2.imwrite(os.path.join(folder, "masks", stem + ".png"), crop[1])
            listing.write(f"{stem}\t{tone[stem]}\n")


def score_checkpoint(model, tune_sets, step, best, folder):
    """Saves the weights as step<N>.pt, and as best.pt when their tuning F1 beats `best`;
    returns the better of the two F1."""
    f1, t, f1s = best_threshold(model, tune_sets, 256)
    print(f"tuning step {step}: best mean F1 {f1:.3f} (photos {f1s[0]:.3f}, portraits "
          f"{f1s[1]:.3f}) at logit {t:+.2f}", flush=True)
    torch.save(model.state_dict(), os.path.join(folder, f"step{step}.pt"))
    if f1 > best:
        torch.save(model.state_dict(), os.path.join(folder, "best.pt"))
    return max(f1, best)


def inline_identities(path):
    """Replaces Identity nodes on weights (torch shares equal weights through them) by copies of
    the weights, which OpenCV's ONNX reader cannot take otherwise."""
    import onnx
    from onnx import numpy_helper
    model = onnx.load(path)
    weights = {w.name: w for w in model.graph.initializer}
    keep = []
    for node in model.graph.node:
        if node.op_type == "Identity" and node.input[0] in weights:
            copy = numpy_helper.from_array(numpy_helper.to_array(weights[node.input[0]]),
                                           node.output[0])
            model.graph.initializer.append(copy)
        else:
            keep.append(node)
    del model.graph.node[:]
    model.graph.node.extend(keep)
    onnx.checker.check_model(model)
    onnx.save(model, path)


def export(model, path):
    model.eval()
    dummy = torch.zeros(1, 3, 256, 384)
    torch.onnx.export(model, dummy, path, input_names=["bgr"], output_names=["skin_logit"],
                      opset_version=11, do_constant_folding=True,
                      dynamic_axes={"bgr": {2: "h", 3: "w"}, "skin_logit": {2: "h2", 3: "w2"}})
    inline_identities(path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", default=os.path.join(HERE, "../../../../shared/testdata/skin"))
    ap.add_argument("--out", default=os.path.join(HERE, "../model/qlxSkinSegmenter.onnx"))
    ap.add_argument("--seed", type=int, default=20261206)
    ap.add_argument("--steps", type=int, default=30000)
    ap.add_argument("--lr", type=float, default=3e-3, help="peak learning rate")
    ap.add_argument("--init", help="start from the weights of this exported model (.onnx of the "
                    "same channels) instead of random ones: fine-tuning")
    ap.add_argument("--batch", type=int, default=8)
    ap.add_argument("--crop", type=int, default=160)
    ap.add_argument("--threads", type=int, default=2)
    ap.add_argument("--val-per-bin", type=int, default=10)
    ap.add_argument("--tune-per-bin", type=int, default=5)
    ap.add_argument("--outside-weight", type=float, default=1.0)
    ap.add_argument("--warm-light", type=float, default=0.2)
    ap.add_argument("--portrait-share", type=float, default=0.3,
                    help="share of the crops cut as portraits around the labelled face")
    ap.add_argument("--channels", default="16,32,64,96,32,16",
                    help="channels of the encoder's four stages and the decoder's two")
    ap.add_argument("--portraits", help="only write head-and-shoulders crops of the tuning and "
                    "validation photos into <this>/tuning and <this>/validation, for skin_eval")
    ap.add_argument("--eval-every", type=int, default=2000)
    ap.add_argument("--checkpoints", default="/tmp/skin-train")
    ap.add_argument("--weights", help="skip training: take these trained weights (a .pt file "
                    "written by a run with the same settings) and only calibrate and export")
    args = ap.parse_args()

    torch.manual_seed(args.seed)
    torch.set_num_threads(args.threads)
    cv2.setNumThreads(1)
    rng = random.Random(args.seed)

    rows = load_manifest(args.data)
    train, val = split(rows, args.seed, args.val_per_bin)
    tone = dict(rows)
    with open(os.path.join(HERE, "validation.txt"), "w") as f:
        f.write("".join(f"{s}\t{tone[s]}\n" for s in val))
    # Tuning photos choose the checkpoint and calibrate the threshold; they are not trained on.
    train, tune = split([(s, tone[s]) for s in train], args.seed + 1, args.tune_per_bin)
    train_pairs = [load_pair(args.data, s) for s in train]
    train_weights = [main_person_weight(m, args.outside_weight) for _, m in train_pairs]
    train_faces = [face_box(m) for _, m in train_pairs]
    tune_pairs = [load_pair(args.data, s) for s in tune]
    # Whole street photos and head-and-shoulders crops of them both choose and calibrate: the
    # model is for portraits and family photos as much as for full figures.
    tune_sets = [tune_pairs, [c for c in (portrait_crop(*p) for p in tune_pairs) if c]]
    val_pairs = [load_pair(args.data, s) for s in val]
    val_portraits = [c for c in (portrait_crop(*p) for p in val_pairs) if c]
    print(f"train {len(train_pairs)} photos, tuning {len(tune_pairs)}, validation "
          f"{len(val_pairs)}", flush=True)
    if args.portraits:
        write_portraits(args.data, tune, tone, os.path.join(args.portraits, "tuning"))
        write_portraits(args.data, val, tone, os.path.join(args.portraits, "validation"))
        return

    model = SkinNet(tuple(int(c) for c in args.channels.split(",")))
    if args.init:
        model.load_onnx_weights(args.init)
    model.train()
    opt = torch.optim.AdamW(model.parameters(), lr=args.lr, weight_decay=1e-4)
    sched = torch.optim.lr_scheduler.OneCycleLR(opt, max_lr=args.lr, total_steps=args.steps,
                                                pct_start=0.1)
    os.makedirs(args.checkpoints, exist_ok=True)
    best_path = os.path.join(args.checkpoints, "best.pt")
    start = time.time()
    running, best = 0.0, -1.0
    if args.weights:
        model.load_state_dict(torch.load(args.weights))
    # A fine-tuning run keeps the weights it started from unless a checkpoint does better.
    if args.init and not args.weights:
        best = score_checkpoint(model, tune_sets, 0, best, args.checkpoints)
    for step in range(1, 0 if args.weights else args.steps + 1):
        picks = [rng.randrange(len(train_pairs)) for _ in range(args.batch)]
        batch = [make_sample(rng, *train_pairs[k], train_weights[k], train_faces[k], args.crop,
                             args.warm_light, args.portrait_share) for k in picks]
        x, y, w = (torch.from_numpy(np.stack([b[i] for b in batch])) for i in range(3))
        logits = model(x)
        y = F.interpolate(y, size=logits.shape[2:], mode="area")
        w = F.interpolate(w, size=logits.shape[2:], mode="area")
        loss = loss_fn(logits, y, w)
        opt.zero_grad()
        loss.backward()
        opt.step()
        sched.step()
        running = 0.98 * running + 0.02 * loss.item() if step > 1 else loss.item()
        if step % 100 == 0:
            print(f"step {step} loss {running:.4f} {time.time() - start:.0f}s", flush=True)
        if step % args.eval_every == 0 or step == args.steps:
            best = score_checkpoint(model, tune_sets, step, best, args.checkpoints)
    if not args.weights:
        model.load_state_dict(torch.load(best_path))
    calibrate(model, tune_sets, 256)
    for name, pairs in (("photos", val_pairs), ("portraits", val_portraits)):
        p, r, f1, iou = evaluate(model, pairs, 256)
        print(f"validation {name}: P {p:.3f} R {r:.3f} F1 {f1:.3f} IoU {iou:.3f}", flush=True)
    export(model, args.out)
    print(f"wrote {args.out} in {time.time() - start:.0f}s", flush=True)


if __name__ == "__main__":
    main()
