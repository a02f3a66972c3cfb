#pragma once
// The "Operator" node types: per-channel arithmetic on colours.

#include <memory>

#include "model/node.h"

class NMix : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NAdd : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NSub : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NMul : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NInvert : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NPow : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NClamp : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NSmoothStep : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};
